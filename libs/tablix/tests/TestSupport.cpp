#include "TestSupport.h"

#include <rapidjson/document.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tablix/ValueText.h"

namespace tablix::test {

namespace fs = std::filesystem;

std::string testDataDir() { return fs::is_directory(TABLIX_TESTDATA) ? TABLIX_TESTDATA : ""; }

bool oracleAvailable() { return fs::exists(std::string(TABLIX_ORACLE) + "/node_modules/@duckdb/node-api/package.json"); }

namespace {

// The folder of this run's temporary files, removed when the tests end.
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("tablix-tests-" + std::to_string(getpid()));
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

}  // namespace

std::string tempPath(const std::string& name) {
    static TempDir dir;
    fs::create_directories(dir.path);
    return (dir.path / name).string();
}

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    const int status = pclose(pipe);
    if (status != 0) throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command);
    return out;
}

std::string trimFraction(std::string s) {
    const size_t dot = s.find('.');
    if (dot == std::string::npos) return s;
    size_t end = dot + 1;
    while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end;
    size_t last = end;
    while (last > dot + 1 && s[last - 1] == '0') --last;
    if (last == dot + 1) last = dot;
    return s.substr(0, last) + s.substr(end);
}

}  // namespace

namespace {

std::vector<OracleAnswer> readWith(const std::string& script, const std::vector<std::string>& files) {
    std::string command = "cd " + quote(TABLIX_ORACLE) + " && node " + script;
    for (const std::string& f : files) command += " " + quote(f);
    const std::string json = run(command);
    rapidjson::Document doc;
    doc.Parse(json.c_str());
    if (!doc.IsArray()) throw std::runtime_error("the oracle printed no JSON array");
    std::vector<OracleAnswer> answers;
    for (const auto& a : doc.GetArray()) {
        OracleAnswer answer;
        answer.file = a["file"].GetString();
        if (a.HasMember("error")) {
            answer.error = a["error"].GetString();
        } else {
            if (a.HasMember("names"))
                for (const auto& n : a["names"].GetArray()) answer.names.push_back(n.GetString());
            if (a.HasMember("columns"))
                for (const auto& c : a["columns"].GetArray()) {
                    answer.names.push_back(c["name"].GetString());
                    answer.types.push_back(c["type"].GetString());
                }
            for (const auto& r : a["rows"].GetArray()) {
                std::vector<std::optional<std::string>> row;
                for (const auto& v : r.GetArray()) row.push_back(v.IsNull() ? std::nullopt : std::optional<std::string>(v.GetString()));
                answer.rows.push_back(std::move(row));
            }
        }
        answers.push_back(std::move(answer));
    }
    return answers;
}

}  // namespace

std::vector<OracleAnswer> oracleRead(const std::vector<std::string>& files) { return readWith("read.mjs", files); }

std::vector<OracleAnswer> hyparquetRead(const std::vector<std::string>& files) { return readWith("hyread.mjs", files); }

std::vector<std::vector<std::optional<std::string>>> oracleQuery(const std::string& sql) {
    const std::string json = run("cd " + quote(TABLIX_ORACLE) + " && node query.mjs " + quote(sql));
    rapidjson::Document doc;
    doc.Parse(json.c_str());
    if (!doc.IsArray()) throw std::runtime_error("the oracle printed no JSON array for " + sql);
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (const auto& r : doc.GetArray()) {
        std::vector<std::optional<std::string>> row;
        for (const auto& v : r.GetArray()) row.push_back(v.IsNull() ? std::nullopt : std::optional<std::string>(v.GetString()));
        rows.push_back(std::move(row));
    }
    return rows;
}

void oracleWrite(const std::string& file, const std::string& query, const std::string& options) {
    run("cd " + quote(TABLIX_ORACLE) + " && node write.mjs " + quote(file) + " " + quote(query) + " " + quote(options));
}

bool sameAsOracle(const Value& ours, const std::optional<std::string>& theirs, const std::string& type) {
    if (!theirs || ours.isNull) return !theirs && ours.isNull;
    const std::string& t = *theirs;
    if (type == "BOOLEAN") return (t == "true") == (ours.integer == 1);
    if (ours.type == Double) {
        const double d = std::strtod(t.c_str(), nullptr);
        if (std::isnan(d) || std::isnan(ours.number)) return std::isnan(d) && std::isnan(ours.number);
        if (type == "FLOAT") return static_cast<float>(ours.number) == static_cast<float>(d);
        return d == ours.number || std::fabs(d - ours.number) <= 1e-12 * std::max(std::fabs(d), 1.0);
    }
    if (ours.type == Timestamp || ours.type == Time) {
        std::string mine = toText(ours);
        if (!mine.empty() && mine.back() == 'Z') mine.pop_back();
        for (char& c : mine) c = c == 'T' ? ' ' : c;
        std::string their = t;
        if (their.size() > 3 && (their.compare(their.size() - 3, 3, "+00") == 0)) their.resize(their.size() - 3);
        return trimFraction(mine) == trimFraction(their);
    }
    return toText(ours) == t;
}

Value number(double v) { Value x; x.type = Double; x.isNull = false; x.number = v; return x; }
Value integer(int32_t type, int64_t v) { Value x; x.type = type; x.isNull = false; x.integer = v; return x; }
Value text(std::string_view v) { Value x; x.type = String; x.isNull = false; x.text = v; return x; }

std::shared_ptr<IArrowTable> readFile(const std::string& path) {
    auto table = IArrowTable::create();
    table->readParquet(path);
    return table;
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
            continue;
        } else {
            field += c;
        }
        any = true;
    }
    if (any || !row.empty()) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace tablix::test
