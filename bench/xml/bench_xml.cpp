// Reads an XML document of 1,000,000 elements into the model with a mapping and writes it back
// (FLK_BENCH_ROWS changes the count, for profiling). Beside each figure, measured on the same file
// in the same run: pugixml loading the file into a document and walking every node of it (read),
// and pugixml building the same document from values in memory and saving it (write). The host's
// own share of the read (creating the elements and storing the values, in batches of 1024) is
// measured too.
//
// Times are the CPU time of the process (user and system), and every figure the best of three
// runs, so that other work on a shared machine counts as little as it can. Our read runs in a
// process of its own each time; its peak memory is shown beside the file size.
#include "ferrolink/ferrolink.h"
#include "support/bench_measure.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"
#include "xml_data.hpp"

#include <pugixml.hpp>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;

const char* kMapping = R"(<MolvoXMLMapping><ElementObjectMapping name="rows"><ElementObjectMapping name="r">
  <AttributeMapping name="k" binds-to="k"/><AttributeMapping name="x" maps-to="X"/>
  <ElementValueMapping name="n" maps-to="N"/><ElementValueMapping name="s" maps-to="S"/>
</ElementObjectMapping></ElementObjectMapping></MolvoXMLMapping>)";

using flk::bench::peakMegabytes;

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

// pugixml loading the file and visiting every node once, reading every name and value.
double referenceRead(const std::string& path, pugi::xml_document& document) {
    size_t visited = 0;
    double t = seconds([&] {
        std::ifstream in(path, std::ios::binary);
        std::string bytes(std::filesystem::file_size(path), '\0');
        in.read(bytes.data(), std::streamsize(bytes.size()));
        document.load_buffer(bytes.data(), bytes.size());
        struct Walker : pugi::xml_tree_walker {
            size_t* count;
            bool for_each(pugi::xml_node& node) override {
                *count += std::strlen(node.name()) + std::strlen(node.value());
                for (pugi::xml_attribute a : node.attributes()) *count += std::strlen(a.value());
                return true;
            }
        } walker;
        walker.count = &visited;
        document.traverse(walker);
    });
    if (visited == 0) std::printf("reference walk saw nothing\n");
    return t;
}

// pugixml building the document from the values in memory and saving it compact.
double referenceWrite(const pugi::xml_document& parsed) {
    struct Value {
        std::string key, x, n, s;
    };
    std::vector<Value> values;
    for (pugi::xml_node r : parsed.document_element().children("r"))
        values.push_back({r.attribute("k").value(), r.attribute("x").value(), r.child_value("n"), r.child_value("s")});
    return seconds([&] {
        pugi::xml_document document;
        pugi::xml_node rows = document.append_child("rows");
        for (const Value& v : values) {
            pugi::xml_node r = rows.append_child("r");
            r.append_attribute("k").set_value(v.key.c_str());
            r.append_attribute("x").set_value(v.x.c_str());
            r.append_child("n").append_child(pugi::node_pcdata).set_value(v.n.c_str());
            r.append_child("s").append_child(pugi::node_pcdata).set_value(v.s.c_str());
        }
        std::ofstream out("/dev/null");
        document.save(out, "", pugi::format_raw);
    });
}

// What the host alone costs for the same data: creating the elements by name and assigning the
// three values in batches of 1024, with no document involved.
double hostFloor(const pugi::xml_document& parsed) {
    declareModel();
    int keys = molvo::model().handle(L"k"), x = molvo::model().handle(L"X"), n = molvo::model().handle(L"N"),
        s = molvo::model().handle(L"S");
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
        for (pugi::xml_node r : parsed.document_element().children("r")) {
            const char* key = r.attribute("k").value();
            const char* text = r.child_value("s");
            std::wstring name(key, key + std::strlen(key));
            int element = 0, created = 0;
            MolvoSetElementNumberW(keys, name.c_str(), 1, &element, &created);
            tuples[size_t(used)] = added[size_t(used)] = element;
            xs[size_t(used)].Double = std::strtod(r.attribute("x").value(), nullptr);
            ns[size_t(used)].Int = std::atoi(r.child_value("n"));
            texts[size_t(used)].assign(text, text + std::strlen(text));
            ss[size_t(used)].String = texts[size_t(used)].data();
            ss[size_t(used)].Length = int(texts[size_t(used)].size()) + 1;
            if (++used == kBatch) flush();
        }
        flush();
    });
}

struct Figures {
    double read = 0, write = 0, peak = 0;
    bool ok = false;
};

// Runs measure() in a process of its own and hands back what it measured.
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
    std::string out = dir + "/rows-out.xml", mappingFile = dir + "/mapping.xml";
    std::ofstream(mappingFile) << kMapping;
    molvo::beginModelRun();
    declareModel();
    std::wstring wideDoc(doc.begin(), doc.end()), wideOut(out.begin(), out.end()), wideMapping(mappingFile.begin(), mappingFile.end());
    Figures f;
    int read = 0, written = 0;
    f.ok = AddMapping(L"bench", wideMapping.c_str()) == 1;
    f.read = seconds([&] { read = ReadFromFile(wideDoc.c_str(), L"bench", 0, 0, 0); });
    f.peak = peakMegabytes();
    f.write = seconds([&] { written = WriteToFile(wideOut.c_str(), L"bench", 0); });
    f.ok = f.ok && read == 1 && written == 1 && molvo::model().card(L"X") == size_t(bench::rowCount());
    std::filesystem::remove(out);
    return f;
}

void report(double mb, const Figures& our, double raw, double rawWrite, double host) {
    std::printf("xml      %7.1f MB  read %6.3f s vs pugixml parse and walk %6.3f s: %4.2fx (target 2.5x)\n", mb, our.read, raw,
                our.read / raw);
    std::printf("                    (of our read, the host alone takes %6.3f s to create the elements and store the values)\n",
                host);
    std::printf("                    write %6.3f s vs pugixml building and saving %6.3f s: %4.2fx (target 3x)\n", our.write,
                rawWrite, our.write / rawWrite);
    std::printf("                    peak memory during the read %7.1f MB vs file %7.1f MB: %4.2fx (target 4x)\n", our.peak, mb,
                our.peak / mb);
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("flk-bench-xml-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string doc = dir + "/rows.xml";
    // The file, made in a process of its own so that the readers' peaks are their own.
    Figures made = inChild([&] {
        Figures f;
        f.ok = bench::writeXmlFile(doc) > 0;
        return f;
    });
    if (!made.ok) return std::printf("cannot write %s\n", doc.c_str()), 1;
    double mb = double(std::filesystem::file_size(doc)) / 1e6;
    Figures our = inChild([&] { return ours(dir, doc); });
    for (int i = 1; i < kRuns; ++i) {
        Figures again = inChild([&] { return ours(dir, doc); });
        our.read = std::min(our.read, again.read);
        our.write = std::min(our.write, again.write);
        our.ok = our.ok && again.ok;
    }
    if (!our.ok) std::printf("our read or write failed\n");
    pugi::xml_document parsed;
    double raw = best([&] { return referenceRead(doc, parsed); });
    double rawWrite = best([&] { return referenceWrite(parsed); });
    molvo::beginModelRun();
    double host = best([&] { return hostFloor(parsed); });
    report(mb, our, raw, rawWrite, host);
    std::filesystem::remove_all(dir);
    return 0;
}
