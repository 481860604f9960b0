// bench_excel [ROWS]: ROWS rows x 5 columns (a key binding an index, two numbers, a string of 1,000
// distinct values, a calendar day) written from the model to a workbook through a mapping and read
// back, beside, for the same cells in the same run: xlsxbook's own save and load, libxlsxwriter
// writing in constant-memory mode, and openpyxl reading in read-only mode (on 100,000 rows unless
// BENCH_OPENPYXL_ROWS says otherwise, as it takes about a minute per million).
//
// Every measurement runs in a child process so that its peak memory is its own. The mapping runs
// start from the filled model, whose memory they share; their growth beyond it is what the
// workbook costs.
#include "ferrolink/ferrolink.h"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"

#include <xlsxbook/xlsxbook.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kDefaultRows = 1000000;
constexpr int kDefaultOpenpyxlRows = 100000;
constexpr int kDistinctNames = 1000;
constexpr int kDays = 9000;
constexpr double kFirstDay = 36526;   // 2000-01-01
const char* kHeader[] = {"key", "x", "y", "name", "day"};

const char* kMapping = R"(<MolvoExcelMapping><ExcelSheetMapping name="Data">
  <ExcelColumnMapping name="key" binds-to="k"/><ExcelColumnMapping name="x" maps-to="X"/>
  <ExcelColumnMapping name="y" maps-to="Y"/><ExcelColumnMapping name="name" maps-to="Name"/>
  <ExcelColumnMapping name="day" maps-to="Day"/></ExcelSheetMapping></MolvoExcelMapping>)";

struct Measure {
    double seconds = 0;
    double peakMb = 0;     // the child's resident peak
    double growthMb = 0;   // beyond what it held when it started
    bool ok = false;
};

long residentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs work in a child; the child reports its resident size at the start through a pipe.
Measure inChild(const std::function<bool()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        long before = residentKb();
        if (write(channel[1], &before, sizeof before) != sizeof before) _exit(2);
        _exit(work() ? 0 : 1);
    }
    close(channel[1]);
    long before = 0;
    if (read(channel[0], &before, sizeof before) != sizeof before) before = 0;
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Measure{seconds, usage.ru_maxrss / 1024.0, (usage.ru_maxrss - before) / 1024.0,
                   WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// openpyxl in a process of its own, spawned without copying this one.
Measure openpyxlRead(const std::string& path, int rows) {
    const std::string script =
        "import sys, openpyxl\n"
        "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
        "n = sum(1 for row in wb['Data'].iter_rows(values_only=True))\n"
        "sys.exit(0 if n == int(sys.argv[2]) + 1 else 1)\n";
    std::string count = std::to_string(rows);
    const char* argv[] = {"python3", "-c", script.c_str(), path.c_str(), count.c_str(), nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/usr/bin/python3", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Measure{seconds, usage.ru_maxrss / 1024.0, usage.ru_maxrss / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// ---- the cells, the same for every writer
std::string keyOf(int r) { return "k" + std::to_string(r); }
double xOf(int r) { return (r % 100000) * 0.37 - 1234.5; }
double yOf(int r) { return r % 977; }
std::string nameOf(int r) { return "customer name " + std::to_string((r % kDistinctNames) * 7919); }
double dayOf(int r) { return kFirstDay + r % kDays; }

bool writeXlsxbook(const std::string& path, int rows) {
    xlsxbook::Book* book = xlsxbook::createBook();
    xlsxbook::Format* date = book->addFormat();
    date->setNumFormat(xlsxbook::kNumFormatDate);
    xlsxbook::Sheet* sheet = book->addSheet("Data");
    for (int c = 0; c < 5; ++c) sheet->writeStr(0, c, kHeader[c]);
    sheet->split(1, 0);
    for (int r = 1; r <= rows; ++r) {
        sheet->writeStr(r, 0, keyOf(r).c_str());
        sheet->writeNum(r, 1, xOf(r));
        sheet->writeNum(r, 2, yOf(r));
        sheet->writeStr(r, 3, nameOf(r).c_str());
        sheet->writeNum(r, 4, dayOf(r), date);
    }
    const char* data = nullptr;
    size_t size = 0;
    bool ok = book->save(&data, &size);
    if (ok) ok = bool(std::ofstream(path, std::ios::binary).write(data, std::streamsize(size)));
    book->release();
    return ok;
}

bool writeLibxlsxwriter(const std::string& path, int rows) {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Data");
    lxw_format* date = workbook_add_format(workbook);
    format_set_num_format_index(date, 14);
    for (int c = 0; c < 5; ++c) worksheet_write_string(sheet, 0, lxw_col_t(c), kHeader[c], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    for (int r = 1; r <= rows; ++r) {
        lxw_row_t row = lxw_row_t(r);
        worksheet_write_string(sheet, row, 0, keyOf(r).c_str(), nullptr);
        worksheet_write_number(sheet, row, 1, xOf(r), nullptr);
        worksheet_write_number(sheet, row, 2, yOf(r), nullptr);
        worksheet_write_string(sheet, row, 3, nameOf(r).c_str(), nullptr);
        worksheet_write_number(sheet, row, 4, dayOf(r), date);
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

// Loads the file and visits every cell through the interface, as the Excel nodes do.
bool readXlsxbook(const std::string& path, int rows) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    xlsxbook::Book* book = xlsxbook::createBook();
    bool ok = book->load(data.data(), data.size()) && book->sheetCount() == 1;
    size_t texts = 0, dates = 0;
    if (ok) {
        xlsxbook::Sheet* sheet = book->getSheet(0);
        for (int r = 1; r < sheet->lastRow(); ++r)
            for (int c = 0; c < sheet->lastCol(); ++c) {
                if (sheet->readStr(r, c)) ++texts;
                else if (sheet->isDate(r, c)) ++dates;
                else sheet->readNum(r, c);
            }
        ok = sheet->lastRow() == rows + 1 && dates == size_t(rows) && texts == 2 * size_t(rows);
    }
    book->release();
    return ok;
}

// ---- the model
void declareModel() {
    molvo::Model& m = molvo::model();
    m.clear();
    molvo::SetDeclaration keys, days;
    keys.indices = {L"k"};
    m.declareSet(L"Keys", keys);
    days.indices = {L"d"};
    days.calendar = std::make_unique<molvo::Calendar>(molvo::Calendar{molvo::CalendarUnit::Day, L"2000-01-01", L"2030-12-31", L"%c%y-%m-%d"});
    m.declareSet(L"Days", days);
    m.declareParameter(L"X", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::Numeric, 0.0, L""});
    m.declareParameter(L"Y", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::Numeric, 0.0, L""});
    m.declareParameter(L"Name", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::String, std::wstring(), L""});
    m.declareParameter(L"Day", molvo::ParameterDeclaration{{L"k"}, molvo::Storage::Element, std::wstring(), L"Days"});
}

// Through the host's batched calls, as a model's own statements would fill it.
void fillModel(int rows) {
    molvo::Model& m = molvo::model();
    int keys = m.handle(L"k"), x = m.handle(L"X"), y = m.handle(L"Y"), name = m.handle(L"Name"), day = m.handle(L"Day");
    constexpr int kBatch = 1024;
    std::vector<int> tuples(kBatch);
    std::vector<MolvoValueW> xs(kBatch), ys(kBatch), names(kBatch), days(kBatch);
    std::vector<std::wstring> texts(kBatch);
    int used = 0;
    auto flush = [&] {
        MolvoSetAddElementRecursiveMulti(keys, used, tuples.data());
        MolvoValueAssignMultiW(x, used, tuples.data(), xs.data());
        MolvoValueAssignMultiW(y, used, tuples.data(), ys.data());
        MolvoValueAssignMultiW(name, used, tuples.data(), names.data());
        MolvoValueAssignMultiW(day, used, tuples.data(), days.data());
        used = 0;
    };
    for (int r = 1; r <= rows; ++r) {
        std::string key = keyOf(r), text = nameOf(r);
        std::wstring wide(key.begin(), key.end());
        int element = 0, created = 0;
        MolvoSetElementNumberW(keys, wide.c_str(), 1, &element, &created);
        size_t i = size_t(used);
        tuples[i] = element;
        xs[i].Double = xOf(r);
        ys[i].Double = yOf(r);
        texts[i].assign(text.begin(), text.end());
        names[i].String = texts[i].data();
        names[i].Length = int(texts[i].size()) + 1;
        days[i].Int = int(dayOf(r) - kFirstDay) + 1;   // the calendar's elements are numbered from its first day
        if (++used == kBatch) flush();
    }
    flush();
}

bool mappingWrite(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    return WriteToFile(wide.c_str(), L"bench", 0) == 1;
}

bool mappingRead(const std::string& path, int rows) {
    std::wstring wide(path.begin(), path.end());
    return ReadFromFile(wide.c_str(), L"bench", 1, 1, 1) == 1 && molvo::model().card(L"Day") == size_t(rows);
}

// The uncompressed size of the parts that hold the cells: the sheet and the shared strings.
double sheetXmlMb(const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return 0;
    double bytes = 0;
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        zip_stat_t st;
        if (zip_stat(archive, part, 0, &st) == 0) bytes += double(st.size);
    }
    zip_close(archive);
    return bytes / (1024 * 1024);
}

double fileMb(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? double(in.tellg()) / (1024 * 1024) : 0;
}

void print(const char* what, const Measure& ours, const char* refName, const Measure& ref, bool oursOverRef) {
    std::printf("%-22s %7.2f s %6.0f MB | %-30s %7.2f s %6.0f MB | %s %5.2f%s\n", what, ours.seconds, ours.growthMb, refName,
                ref.seconds, ref.growthMb, oursOverRef ? "ours/ref" : "ref/ours",
                oursOverRef ? ours.seconds / ref.seconds : ref.seconds / ours.seconds, ours.ok && ref.ok ? "" : "  (A RUN FAILED)");
}

int envOr(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : envOr("BENCH_ROWS", kDefaultRows);
    const int openpyxlRows = std::min(rows, envOr("BENCH_OPENPYXL_ROWS", kDefaultOpenpyxlRows));
    const std::string dir = "/tmp/bench_excel." + std::to_string(getpid());
    if (std::system(("mkdir -p " + dir).c_str()) != 0) return 1;
    const std::string ours = dir + "/mapping.xlsx", raw = dir + "/xlsxbook.xlsx", theirs = dir + "/libxlsxwriter.xlsx",
                      small = dir + "/small.xlsx", mapping = dir + "/mapping.xml";
    std::ofstream(mapping) << kMapping;
    std::printf("Excel: %d rows x 5 columns (a key of %d distinct strings binding an index, two numbers, a string of %d\n"
                "distinct values, a calendar day); times, and memory beyond what the process held before\n",
                rows, rows, kDistinctNames);

    // The references first, while this process is small.
    const Measure rawWrite = inChild([&] { return writeXlsxbook(raw, rows); });
    const Measure lxw = inChild([&] { return writeLibxlsxwriter(theirs, rows); });
    const Measure rawRead = inChild([&] { return readXlsxbook(raw, rows); });
    const bool smallOk = inChild([&] { return writeXlsxbook(small, openpyxlRows); }).ok;
    const Measure openpyxl = openpyxlRead(small, openpyxlRows);

    molvo::beginModelRun();
    declareModel();
    std::wstring wideMapping(mapping.begin(), mapping.end());
    if (!AddMapping(L"bench", wideMapping.c_str())) std::printf("AddMapping failed\n");
    const Measure readSmall = inChild([&] { return mappingRead(small, openpyxlRows); });   // into the empty model
    auto start = std::chrono::steady_clock::now();
    fillModel(rows);
    double fill = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("(the model holds the rows after %.2f s, %ld MB)\n", fill, residentKb() / 1024);
    const Measure write = inChild([&] { return mappingWrite(ours); });
    const Measure read = inChild([&] { return mappingRead(ours, rows); });

    print("write through mapping", write, "libxlsxwriter (constant memory)", lxw, true);
    print("", write, "xlsxbook save alone", rawWrite, true);
    print("read through mapping", read, "xlsxbook load alone", rawRead, true);
    char label[64];
    std::snprintf(label, sizeof label, "read %d rows", openpyxlRows);
    print(label, readSmall, "openpyxl (read-only)", openpyxl, false);
    double xml = sheetXmlMb(ours);
    std::printf("files: mapping %.1f MB, xlsxbook %.1f MB, libxlsxwriter %.1f MB; cells as XML uncompressed %.1f MB\n",
                fileMb(ours), fileMb(raw), fileMb(theirs), xml);
    std::printf("memory beyond the model: write %.2fx, read %.2fx the uncompressed XML\n", write.growthMb / xml,
                read.growthMb / xml);
    std::printf("targets: write ours/ref <= 1.5 against libxlsxwriter, read ref/ours >= 10 against openpyxl, memory < 3x\n");
    std::system(("rm -rf " + dir).c_str());
    bool ok = write.ok && read.ok && readSmall.ok && rawWrite.ok && rawRead.ok && lxw.ok && openpyxl.ok && smallOk;
    return ok ? 0 : 1;
}
