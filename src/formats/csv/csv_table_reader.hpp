// The table of a CSV input as a read takes it: the delimiter and header row guessed from the
// first bytes (the guess logged at Info on Ferrolink.FLK), the rows before the header left out,
// the header's names, then each data row of the header's width, parsed as the input arrives. A
// UTF-8 byte-order mark at the start is skipped. Rows of another width are skipped, and counted:
// one warning on Ferrolink.FLK per read says how many and the line of the first. A parse that
// fails raises its error, then warns of the place where it stopped.
#pragma once

#include "formats/csv/csv_parser.hpp"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace flk {

class CsvTableReader {
public:
    // Both must outlive the reader.
    CsvTableReader(std::istream& input, const std::wstring& documentName);
    ~CsvTableReader();
    CsvTableReader(const CsvTableReader&) = delete;
    CsvTableReader& operator=(const CsvTableReader&) = delete;

    // Reads up to and including the header row. False after raising an error; an input without
    // rows gives a header without names.
    bool readHeader(std::vector<std::string>& names);
    // Parses the next data row into row(); false at the end of the input, or after raising an
    // error (then failed()).
    bool next();
    const CsvRow& row() const { return row_; }
    bool failed() const { return failed_; }
    // "line 12, column 18 (price)": where the field of the current row begins, with the header of
    // its column; for CsvPlace::kNoField, where the row begins.
    std::string fieldPlace(size_t field) const;

private:
    size_t fill(char* buffer, size_t capacity);
    bool readSample();
    bool skipToHeader(std::uint64_t headerLine);
    bool stopped();   // the parse ended: raises its fault, if any; false
    std::string placeText(const CsvPlace& place) const;

    std::istream& input_;
    const std::wstring& documentName_;
    std::string sample_;
    size_t sampleGiven_ = 0;
    std::unique_ptr<CsvParser> parser_;
    CsvRow row_;
    std::vector<std::string> header_;   // empty until the header row is read
    size_t width_ = 0;
    std::uint64_t skipped_ = 0, firstSkippedLine_ = 0;
    bool unreadable_ = false;
    bool failed_ = false;
};

}  // namespace flk
