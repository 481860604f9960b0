#include "formats/csv/csv_writer.hpp"

#include "formats/csv/csv_limits.hpp"

#include <ostream>
#include <stdexcept>

namespace flk {
namespace {

bool needsQuotes(std::string_view text) {
    for (char c : text)
        if (c == '"' || c == ',' || c == '\n' || c == '\r') return true;
    return false;
}

}  // namespace

CsvWriter::CsvWriter(std::ostream& output) : output_(output) { pending_.reserve(kCsvWriteChunk + kCsvWriteChunk / 4); }

void CsvWriter::field(std::string_view text) {
    if (!needsQuotes(text)) {
        pending_.append(text);
        return;
    }
    pending_ += '"';
    for (size_t at = 0;;) {
        size_t quote = text.find('"', at);
        pending_.append(text.substr(at, quote == std::string_view::npos ? quote : quote + 1 - at));
        if (quote == std::string_view::npos) break;
        pending_ += '"';
        at = quote + 1;
    }
    pending_ += '"';
}

void CsvWriter::row(const std::vector<std::string>& fields) {
    if (fields.size() == 1 && fields[0].empty()) pending_ += "\"\"";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) pending_ += ',';
        field(fields[i]);
    }
    pending_ += '\n';
    if (pending_.size() >= kCsvWriteChunk) spill();
}

void CsvWriter::spill() {
    output_.write(pending_.data(), std::streamsize(pending_.size()));
    pending_.clear();
    if (!output_) throw std::runtime_error("Cannot write the CSV document to its output");
}

void CsvWriter::finish() { spill(); }

}  // namespace flk
