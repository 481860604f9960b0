// Moving values through the batched identifier access: 1,000,000 values of a two-dimensional
// numeric parameter are assigned (creating the elements of both indices on the way), flushed and
// read back, beside the same values put into and read from a plain hash map.
#include "host/molvo_io_handler.hpp"
#include "molvo/model.hpp"
#include "support/bench_clock.hpp"

#include <string>
#include <unordered_map>
#include <vector>

using flk::MolvoIOHandler;
using flk::bench::Stopwatch;

namespace {

constexpr int kSide = 1000;   // kSide x kSide values

void declareModel() {
    molvo::SetDeclaration rows, cols;
    rows.indices = {L"r"};
    cols.indices = {L"k"};
    molvo::model().declareSet(L"Rows", rows);
    molvo::model().declareSet(L"Cols", cols);
    molvo::model().declareParameter(L"V", molvo::ParameterDeclaration{{L"r", L"k"}, molvo::Storage::Numeric, 0.0, L""});
}

double valueAt(int i, int j) { return i * 1.5 + j + 1; }

}  // namespace

int main() {
    molvo::beginModelRun();
    declareModel();
    std::vector<std::string> rowNames, colNames;
    for (int i = 0; i < kSide; ++i) {
        rowNames.push_back("row" + std::to_string(i));
        colNames.push_back("col" + std::to_string(i));
    }
    const double values = double(kSide) * kSide;

    MolvoIOHandler r(L"r", false, 0, 0), k(L"k", false, 0, 0), v(L"V", false, 0, 0);
    Stopwatch write;
    int tuple[2];
    for (int i = 0; i < kSide; ++i) {
        tuple[0] = r.elementByName(rowNames[size_t(i)], false);
        for (int j = 0; j < kSide; ++j) {
            tuple[1] = k.elementByName(colNames[size_t(j)], false);
            if (v.batchFull()) { r.flush(); k.flush(); }
            v.assignNumber(tuple, valueAt(i, j));
        }
    }
    r.flush();
    k.flush();
    v.flush();
    double writeSeconds = write.seconds();

    Stopwatch read;
    double sum = 0;
    v.resetIteration();
    for (int n; (n = v.nextBatch()) > 0;)
        for (int i = 0; i < n; ++i) sum += v.batchValue(i).Double;
    double readSeconds = read.seconds();

    std::unordered_map<uint64_t, double> map;
    Stopwatch mapWrite;
    for (int i = 0; i < kSide; ++i)
        for (int j = 0; j < kSide; ++j) map[uint64_t(i) << 32 | uint32_t(j)] = valueAt(i, j);
    double mapWriteSeconds = mapWrite.seconds();
    Stopwatch mapRead;
    double mapSum = 0;
    for (const auto& entry : map) mapSum += entry.second;
    double mapReadSeconds = mapRead.seconds();

    if (sum != mapSum || molvo::model().card(L"V") != size_t(values)) {
        std::fprintf(stderr, "bench_host: the host holds other values than were assigned\n");
        return 1;
    }
    std::printf("batched identifier access, %.0f values of V(r,k), new elements included\n", values);
    flk::bench::report("assign + flush", writeSeconds, "hash map insert", mapWriteSeconds, values);
    flk::bench::report("read back in batches", readSeconds, "hash map iterate", mapReadSeconds, values);
    return 0;
}
