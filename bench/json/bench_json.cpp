// Reads a JSON document of 1,000,000 objects into the model with a mapping and writes it back,
// for the array-of-objects and the row-oriented layouts (FLK_BENCH_ROWS changes the count and
// FLK_BENCH_LAYOUT=objects or rows runs one layout only, for profiling). Beside each figure, measured on the same
// file in the same run: RapidJSON parsing the file into a document (read), and RapidJSON's writer
// writing the same values from memory (write). Peak memory is the process's resident peak after
// the reads, beside the file size.
#include "ferrolink/ferrolink.h"
#include "json_data.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"

#include <rapidjson/document.h>
#include <rapidjson/writer.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* kObjectsMapping = R"(<MolvoJSONMapping><ArrayMapping><ObjectMapping>
  <ValueMapping name="key" binds-to="k"/><ValueMapping name="x" maps-to="X"/>
  <ValueMapping name="n" maps-to="N"/><ValueMapping name="s" maps-to="S"/>
</ObjectMapping></ArrayMapping></MolvoJSONMapping>)";

const char* kRowsMapping = R"(<MolvoJSONMapping><RowOrientedObjectMapping>
  <ColumnMapping name="key" binds-to="k"/><ColumnMapping name="x" maps-to="X"/>
  <ColumnMapping name="n" maps-to="N"/><ColumnMapping name="s" maps-to="S"/>
</RowOrientedObjectMapping></MolvoJSONMapping>)";

template <class Work>
double seconds(Work&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void declareModel() {
    molvo::Model& m = molvo::model();
    m.clear();
    molvo::SetDeclaration keys;
    keys.indices = {L"k"};
    m.declareSet(L"Keys", keys);
    m.declareParameter(L"X", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::Numeric, 0.0, L""});
    m.declareParameter(L"N", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::Integer, 0.0, L""});
    m.declareParameter(L"S", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::String, std::wstring(), L""});
}

// RapidJSON writing the values the model holds, taken from memory, as the reference writer.
double referenceWrite(const rapidjson::Document& parsed, bool rows) {
    struct Value {
        std::string key, s;
        double x;
        int n;
    };
    std::vector<Value> values;
    const rapidjson::Value& items = rows ? parsed["data"] : parsed;
    for (const auto& item : items.GetArray()) {
        if (rows) values.push_back({item[0].GetString(), item[3].GetString(), item[1].GetDouble(), item[2].GetInt()});
        else values.push_back({item["key"].GetString(), item["s"].GetString(), item["x"].GetDouble(), item["n"].GetInt()});
    }
    std::string out;
    return seconds([&] {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
        if (rows) {
            w.StartObject();
            w.Key("meta");
            w.StartArray();
            for (const char* c : {"key", "x", "n", "s"}) w.String(c);
            w.EndArray();
            w.Key("data");
        }
        w.StartArray();
        for (const Value& v : values) {
            if (rows) {
                w.StartArray();
                w.String(v.key.c_str());
                w.Double(v.x);
                w.Int(v.n);
                w.String(v.s.c_str());
                w.EndArray();
            } else {
                w.StartObject();
                w.Key("key");
                w.String(v.key.c_str());
                w.Key("x");
                w.Double(v.x);
                w.Key("n");
                w.Int(v.n);
                w.Key("s");
                w.String(v.s.c_str());
                w.EndObject();
            }
        }
        w.EndArray();
        if (rows) w.EndObject();
        std::ofstream("/dev/null").write(buffer.GetString(), std::streamsize(buffer.GetSize()));
    });
}

// What the host alone costs for the same data: creating the elements by name and assigning the
// three values in batches of 1024, with no document involved.
double hostFloor(const rapidjson::Document& parsed, bool rows) {
    declareModel();
    int keys = molvo::model().handle(L"k"), x = molvo::model().handle(L"X"), n = molvo::model().handle(L"N"),
        s = molvo::model().handle(L"S");
    const rapidjson::Value& items = rows ? parsed["data"] : parsed;
    constexpr int kBatch = 1024;
    std::vector<int> tuples(kBatch), added(kBatch);
    std::vector<MolvoValueW> xs(kBatch), ns(kBatch), ss(kBatch);
    std::vector<std::wstring> texts(kBatch);
    return seconds([&] {
        int used = 0;
        auto flush = [&] {
            MolvoSetAddElementRecursiveMulti(keys, used, added.data());
            MolvoValueAssignMultiW(x, used, tuples.data(), xs.data());
            MolvoValueAssignMultiW(n, used, tuples.data(), ns.data());
            MolvoValueAssignMultiW(s, used, tuples.data(), ss.data());
            used = 0;
        };
        for (const auto& item : items.GetArray()) {
            const char* key = rows ? item[0].GetString() : item["key"].GetString();
            const char* text = rows ? item[3].GetString() : item["s"].GetString();
            std::wstring name(key, key + std::strlen(key));
            int element = 0, created = 0;
            MolvoSetElementNumberW(keys, name.c_str(), 1, &element, &created);
            tuples[size_t(used)] = added[size_t(used)] = element;
            xs[size_t(used)].Double = rows ? item[1].GetDouble() : item["x"].GetDouble();
            ns[size_t(used)].Int = rows ? item[2].GetInt() : item["n"].GetInt();
            texts[size_t(used)].assign(text, text + std::strlen(text));
            ss[size_t(used)].String = texts[size_t(used)].data();
            ss[size_t(used)].Length = int(texts[size_t(used)].size()) + 1;
            if (++used == kBatch) flush();
        }
        flush();
    });
}

double referenceParse(const std::string& path, rapidjson::Document& document) {
    return seconds([&] {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        document.Parse(text.str().c_str());
    });
}

void run(const char* layout, const char* mappingText, const std::string& dir, bool rows) {
    std::string doc = dir + "/" + layout + ".json", out = dir + "/" + layout + "-out.json";
    std::string mappingFile = dir + "/" + layout + ".xml";
    std::ofstream(mappingFile) << mappingText;
    size_t size = rows ? bench::writeRowsFile(doc) : bench::writeObjectsFile(doc);
    molvo::beginModelRun();
    declareModel();
    std::wstring wideDoc(doc.begin(), doc.end()), wideOut(out.begin(), out.end()), wideMapping(mappingFile.begin(), mappingFile.end());
    if (!AddMapping(L"bench", wideMapping.c_str())) std::printf("AddMapping failed\n");
    int ok = 0;
    double ours = seconds([&] { ok = ReadFromFile(wideDoc.c_str(), L"bench", 0, 0, 0); });
    double peak = peakMegabytes();
    if (!ok || molvo::model().card(L"X") != size_t(bench::rowCount())) std::printf("read failed\n");
    double oursWrite = seconds([&] { ok = WriteToFile(wideOut.c_str(), L"bench", 0); });
    if (!ok) std::printf("write failed\n");
    rapidjson::Document parsed;
    double raw = referenceParse(doc, parsed);
    double rawWrite = referenceWrite(parsed, rows);
    double host = hostFloor(parsed, rows);
    double mb = double(size) / 1e6;
    std::printf("%-8s %7.1f MB  read %6.3f s vs RapidJSON parse %6.3f s: %4.2fx (target 2.5x)\n", layout, mb, ours, raw,
                ours / raw);
    std::printf("%-8s %7s     (of our read, the host alone takes %6.3f s to create the elements and store the values)\n", "",
                "", host);
    std::printf("%-8s %7s     write %6.3f s vs RapidJSON writer %6.3f s: %4.2fx (target 3x)\n", "", "", oursWrite,
                rawWrite, oursWrite / rawWrite);
    std::printf("%-8s %7s     peak memory after reading %7.1f MB vs file %7.1f MB: %4.2fx (target 4x)\n", "", "", peak, mb,
                peak / mb);
    std::filesystem::remove(doc);
    std::filesystem::remove(out);
    std::filesystem::remove(mappingFile);
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("flk-bench-json-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    // Each layout in a process of its own, so that each peak is its own.
    const char* only = std::getenv("FLK_BENCH_LAYOUT");
    for (bool rows : {false, true}) {
        if (only && std::strcmp(only, rows ? "rows" : "objects") != 0) continue;
        pid_t child = fork();
        if (child == 0) {
            rows ? run("rows", kRowsMapping, dir, true) : run("objects", kObjectsMapping, dir, false);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
