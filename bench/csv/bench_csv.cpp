// Reads a CSV table of 1,000,000 rows into the model with a mapping and writes it back
// (FLK_BENCH_ROWS changes the count). Beside each figure, measured on the same file in the same
// run: a plain split of the file into fields (read whole, memchr for line ends, commas and
// quotes) for the read, and the same values written from memory with one fwrite per row for the
// write. The host's own share of the read (creating the elements and storing the values it is
// given, in batches of 1024) is measured too, so that parsing and host are told apart.
//
// Times are the CPU time of the process (user and system), and every figure the best of three
// runs, so that other work on a shared machine counts as little as it can.
//
// Memory: each read runs in a process of its own. The peak during our read is shown beside the
// file size and beside what the process holds once the read is done (the model's values); a read
// through a mapping that claims no column shows the parser's own memory, whatever the file size.
#include "csv_data.hpp"
#include "ferrolink/ferrolink.h"
#include "support/bench_measure.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;

const char* kMapping = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="key" binds-to="k"/><CSVColumnMapping name="x" maps-to="X"/>
  <CSVColumnMapping name="n" maps-to="N"/><CSVColumnMapping name="s" maps-to="S"/>
</CSVTableMapping></MolvoCSVMapping>)";
// Parses every row and hands no field to the model.
const char* kNothingMapping = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="absent" binds-to="k"/></CSVTableMapping></MolvoCSVMapping>)";

using flk::bench::peakMegabytes;
using flk::bench::residentMegabytes;

template <class Work>
double seconds(Work&& work) {
    return flk::bench::cpuSecondsOf(work);
}

// The best of kRuns.
template <class Run>
double best(Run&& run) {
    return flk::bench::bestOf(kRuns, run);
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

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool addMapping(const std::string& dir, const char* text) {
    std::string file = dir + "/mapping.xml";
    std::ofstream(file) << text;
    return AddMapping(L"bench", wide(file).c_str()) == 1;
}

// What one process measured, handed to the parent through a pipe.
struct Figures {
    double read = 0, write = 0, host = 0, peak = 0, before = 0, after = 0;
    bool ok = false;
};

template <class Measure>
Figures inChild(Measure&& measure) {
    int pipeEnds[2];
    Figures figures;
    if (pipe(pipeEnds) != 0) return figures;
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        figures = measure();
        ssize_t written = write(pipeEnds[1], &figures, sizeof figures);
        _exit(written == ssize_t(sizeof figures) ? 0 : 1);
    }
    close(pipeEnds[1]);
    if (read(pipeEnds[0], &figures, sizeof figures) != ssize_t(sizeof figures)) figures.ok = false;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return figures;
}

// Our read and write through the mapping.
Figures ours(const std::string& dir, const std::string& doc) {
    molvo::beginModelRun();
    declareModel();
    Figures f;
    if (!addMapping(dir, kMapping)) return f;
    f.before = residentMegabytes();
    int read = 0, written = 0;
    f.read = seconds([&] { read = ReadFromFile(wide(doc).c_str(), L"bench", 0, 0, 0); });
    f.peak = peakMegabytes();
    f.after = residentMegabytes();
    f.write = seconds([&] { written = WriteToFile(wide(dir + "/ours-out.csv").c_str(), L"bench", 0); });
    f.ok = read == 1 && written == 1 && molvo::model().card(L"X") == size_t(bench::rowCount());
    return f;
}

// Every row parsed, nothing handed to the model: the parser's own time and memory.
Figures parseAlone(const std::string& dir, const std::string& doc) {
    molvo::beginModelRun();
    declareModel();
    Figures f;
    if (!addMapping(dir, kNothingMapping)) return f;
    f.before = residentMegabytes();
    int read = 0;
    f.read = seconds([&] { read = ReadFromFile(wide(doc).c_str(), L"bench", 0, 0, 0); });
    f.peak = peakMegabytes();
    f.ok = read == 1;
    return f;
}

// The host alone, given the values: creating the elements by name and assigning the three values
// in batches of 1024, with no document involved.
double hostReadFloor(const bench::Table& t) {
    declareModel();
    molvo::Model& m = molvo::model();
    int keys = m.handle(L"k"), x = m.handle(L"X"), n = m.handle(L"N"), s = m.handle(L"S");
    constexpr int kBatch = 1024;
    std::vector<int> tuples(kBatch);
    std::vector<MolvoValueW> xs(kBatch), ns(kBatch), ss(kBatch);
    std::vector<std::wstring> names(kBatch), texts(kBatch);
    return seconds([&] {
        int used = 0;
        auto flush = [&] {
            MolvoSetAddElementRecursiveMulti(keys, used, tuples.data());
            MolvoValueAssignMultiW(x, used, tuples.data(), xs.data());
            MolvoValueAssignMultiW(n, used, tuples.data(), ns.data());
            MolvoValueAssignMultiW(s, used, tuples.data(), ss.data());
            used = 0;
        };
        for (size_t i = 0; i < t.keys.size(); ++i) {
            names[size_t(used)].assign(t.keys[i].begin(), t.keys[i].end());
            int element = 0, created = 0;
            MolvoSetElementNumberW(keys, names[size_t(used)].c_str(), 1, &element, &created);
            tuples[size_t(used)] = element;
            xs[size_t(used)].Double = t.numbers[i];
            ns[size_t(used)].Int = t.integers[i];
            texts[size_t(used)].assign(t.texts[i].begin(), t.texts[i].end());
            ss[size_t(used)].String = texts[size_t(used)].data();
            ss[size_t(used)].Length = int(texts[size_t(used)].size()) + 1;
            if (++used == kBatch) flush();
        }
        flush();
    });
}

// The host alone handing the values out again: the three identifiers' values in batches of 1024
// and the name of each key, with no document involved.
double hostWriteFloor() {
    molvo::Model& m = molvo::model();
    int keys = m.handle(L"k");
    constexpr int kBatch = 1024, kSlot = 256;
    std::vector<int> tuples(kBatch);
    std::vector<MolvoValueW> values(kBatch);
    std::vector<wchar_t> texts(size_t(kBatch) * kSlot), name(kSlot);
    size_t characters = 0;
    auto give = [&] {   // every string slot its room back
        for (int i = 0; i < kBatch; ++i) values[size_t(i)] = MolvoValueW{0, 0, kSlot, texts.data() + size_t(i) * kSlot};
    };
    double took = seconds([&] {
        for (const wchar_t* identifier : {L"X", L"N", L"S"}) {
            int handle = m.handle(identifier);
            MolvoValueResetHandle(handle);
            for (int count = kBatch; give(), MolvoValueNextMultiW(handle, &count, tuples.data(), values.data()) == 1 && count > 0;
                 count = kBatch) {
                for (int i = 0; i < count && identifier[0] == L'X'; ++i) {
                    MolvoValueW element{0, 0, kSlot, name.data()};
                    MolvoSetElementToNameW(keys, tuples[size_t(i)], &element);
                    characters += size_t(element.Length);
                }
            }
        }
    });
    return characters > 0 ? took : 0;
}

void report(double mb, const Figures& our, const Figures& alone, double split, double rawWrite, double host, double hostWrite) {
    std::printf("csv %7.1f MB  read  %6.3f s vs memchr split %6.3f s: %5.2fx (target 2.5x)\n", mb, our.read, split,
                our.read / split);
    std::printf("               of it the host alone takes %6.3f s: our read is %4.2fx the host's own value transfer;\n"
                "               beyond the host %6.3f s, %4.2fx the split (parse alone, no value to the model: %6.3f s, %4.2fx)\n",
                host, our.read / host, our.read - host, (our.read - host) / split, alone.read, alone.read / split);
    std::printf("               write %6.3f s vs fwrite per row %6.3f s: %5.2fx (target 2.5x)\n", our.write, rawWrite,
                our.write / rawWrite);
    std::printf("               of it the host alone takes %6.3f s to hand out the values and key names: our write is %4.2fx that;\n"
                "               beyond the host %6.3f s, %4.2fx the fwrite per row\n",
                hostWrite, our.write / hostWrite, our.write - hostWrite, (our.write - hostWrite) / rawWrite);
    std::printf("               peak memory %7.1f MB vs file %7.1f MB: %4.2fx; the model's values hold %6.1f MB of it,\n"
                "               the read's peak beyond them %5.1f MB; a read that keeps no value peaks %5.1f MB above its start\n",
                our.peak, mb, our.peak / mb, our.after - our.before, our.peak - our.after, alone.peak - alone.before);
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("flk-bench-csv-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string doc = dir + "/table.csv";
    // The file, made in a process of its own so that the readers' peaks are their own.
    Figures made = inChild([&] {
        Figures f;
        f.ok = bench::writeTable(bench::makeTable(), doc) > 0;
        return f;
    });
    if (!made.ok) return std::printf("cannot write %s\n", doc.c_str()), 1;
    double mb = double(std::filesystem::file_size(doc)) / 1e6;
    Figures our = inChild([&] { return ours(dir, doc); });
    Figures alone = inChild([&] { return parseAlone(dir, doc); });
    for (int i = 1; i < kRuns; ++i) {
        Figures again = inChild([&] { return ours(dir, doc); });
        our.read = std::min(our.read, again.read);
        our.write = std::min(our.write, again.write);
        our.ok = our.ok && again.ok;
        alone.read = std::min(alone.read, inChild([&] { return parseAlone(dir, doc); }).read);
    }
    if (!our.ok || !alone.ok) std::printf("our read or write failed\n");
    bench::Table table = bench::makeTable();
    double rawWrite = best([&] { return seconds([&] { bench::writeTable(table, dir + "/reference-out.csv"); }); });
    size_t bytes = 0, fields = 0;
    double split = best([&] { return seconds([&] { fields = bench::splitFile(doc, bytes); }); });
    if (fields != table.keys.size() * 4 + 4) std::printf("the split found %zu fields\n", fields);
    molvo::beginModelRun();
    double host = best([&] { return hostReadFloor(table); });
    double hostWrite = best([] { return hostWriteFloor(); });
    report(mb, our, alone, split, rawWrite, host, hostWrite);
    std::filesystem::remove_all(dir);
    return 0;
}
