#include "formats/csv/csv_table_reader.hpp"

#include "formats/csv/csv_layout_guess.hpp"
#include "formats/csv/csv_limits.hpp"
#include "frame/call_context.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>

namespace flk {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string faultText(const CsvParser& parser) {
    std::string line = std::to_string(parser.faultLine());
    switch (parser.fault()) {
        case CsvFault::LongLine: return "contains lines >= " + std::to_string(kCsvMaxLineBytes) + " characters";
        case CsvFault::LongRow:
            return "contains a row of " + std::to_string(kCsvMaxRowBytes) + " bytes or more, beginning on line " + line;
        case CsvFault::OpenQuote:
            return "ends inside the quoted field that begins on line " + line + ": its closing quote is missing";
        case CsvFault::NulByte: return "is not text: it holds a NUL byte on line " + line;
        case CsvFault::NotText: {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", parser.faultByte());
            return "is not UTF-8 text: invalid byte " + std::string(byte) + " on line " + line;
        }
        default: return {};
    }
}

// Why the parse stopped at its place, for the warning that names the place.
std::string faultReason(const CsvParser& parser) {
    switch (parser.fault()) {
        case CsvFault::LongLine: return "the line reaches " + std::to_string(kCsvMaxLineBytes) + " bytes, beyond the longest a line may be";
        case CsvFault::LongRow:
            return "the row reaches " + std::to_string(kCsvMaxRowBytes) + " bytes in this field, beyond the largest a row may be";
        case CsvFault::OpenQuote: return "the quoted field that begins here has no closing quote";
        case CsvFault::NulByte: return "a NUL byte, which text does not hold";
        case CsvFault::NotText: {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", parser.faultByte());
            if (parser.faultCutsCharacter())
                return "the character that begins here with " + std::string(byte) + " is cut short by the end of the input";
            return "the byte " + std::string(byte) + ", which is not UTF-8 text";
        }
        default: return {};
    }
}

}  // namespace

CsvTableReader::CsvTableReader(std::istream& input, const std::wstring& documentName)
    : input_(input), documentName_(documentName) {}

// A row skipped for its width is data the model does not get: the read says so, once, however
// it ends.
CsvTableReader::~CsvTableReader() {
    if (skipped_ == 0) return;
    try {
        warnModel("Reading " + toUtf8(documentName_) + ": " + std::to_string(skipped_) +
                  " rows with another number of fields than the " + std::to_string(width_) +
                  " of the header were skipped; the first on line " + std::to_string(firstSkippedLine_));
    } catch (...) {   // a logger that fails cannot fail the read
    }
}

size_t CsvTableReader::fill(char* buffer, size_t capacity) {
    if (sampleGiven_ < sample_.size()) {
        size_t size = std::min(capacity, sample_.size() - sampleGiven_);
        std::memcpy(buffer, sample_.data() + sampleGiven_, size);
        sampleGiven_ += size;
        if (sampleGiven_ == sample_.size()) sample_ = std::string();   // parsed: its room goes back
        return size;
    }
    if (!input_.good()) return 0;
    input_.read(buffer, std::streamsize(capacity));
    if (input_.bad()) unreadable_ = true;
    return unreadable_ ? 0 : size_t(input_.gcount());
}

bool CsvTableReader::readSample() {
    sample_.resize(kCsvSampleBytes);
    input_.read(sample_.data(), std::streamsize(sample_.size()));
    if (input_.bad()) return false;
    sample_.resize(size_t(input_.gcount()));
    if (sample_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) sampleGiven_ = kByteOrderMark.size();
    return true;
}

bool CsvTableReader::readHeader(std::vector<std::string>& names) {
    names.clear();
    if (!readSample()) {
        unreadable_ = true;
        return stopped();
    }
    CsvLayout layout = guessCsvLayout(std::string_view(sample_).substr(sampleGiven_));
    LOG4CXX_INFO(logger(Log::FLK), "Reading " << toUtf8(documentName_) << ": " << describeCsvLayout(layout));
    parser_ = std::make_unique<CsvParser>(layout.delimiter, [this](char* buffer, size_t capacity) { return fill(buffer, capacity); });
    if (!skipToHeader(layout.headerLine)) {
        stopped();
        return !failed_;
    }
    for (size_t i = 0; i < row_.size(); ++i) header_.emplace_back(row_[i]);
    names = header_;
    width_ = names.size();
    return true;
}

// The header is the first row that begins on the guessed line or after it.
bool CsvTableReader::skipToHeader(std::uint64_t headerLine) {
    do {
        if (!parser_->next(row_)) return false;
    } while (row_.line() < headerLine);
    return true;
}

bool CsvTableReader::next() {
    if (!parser_) return false;
    while (parser_->next(row_)) {
        if (row_.size() == width_) return true;
        if (skipped_++ == 0) firstSkippedLine_ = row_.line();
    }
    return stopped();
}

bool CsvTableReader::stopped() {
    if (unreadable_) {
        raiseError(L"CSV stream " + documentName_ + L" could not be read");
    } else if (parser_ && parser_->fault() != CsvFault::None) {
        raiseError(L"CSV stream " + documentName_ + L" " + fromUtf8(faultText(*parser_)));
        warnModel(locatedMessage(toUtf8(documentName_), placeText(parser_->faultPlace(row_)), faultReason(*parser_)));
    }
    failed_ = unreadable_ || (parser_ && parser_->fault() != CsvFault::None);
    return false;
}

std::string CsvTableReader::fieldPlace(size_t field) const {
    return placeText(field == CsvPlace::kNoField ? CsvPlace{row_.line(), 1, CsvPlace::kNoField} : row_.fieldPlace(field));
}

std::string CsvTableReader::placeText(const CsvPlace& place) const {
    std::string text = "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
    if (place.field < header_.size()) text += " (" + header_[place.field] + ")";
    return text;
}

}  // namespace flk
