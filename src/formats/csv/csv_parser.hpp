// CSV text parsed row by row as its bytes arrive, by an explicit state machine. The input comes in
// blocks; a quoted field that holds delimiters or line ends is one field however the blocks cut
// it. Two double quotes in a quoted field stand for one; text after a closing quote belongs to the
// field; fields are not trimmed. CR LF, LF and CR each end a line and a row outside quotes; a line
// without any byte holds no row. Where each field begins is kept as it is parsed, so that a message
// can name the line and column of a field, or of the place where the parse stopped.
#pragma once

#include "formats/csv/csv_text_check.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace flk {

// A place in the input: a line and a column, both counted from 1, the column in characters; and
// the field of its row that holds it, counted from 0 (kNoField when none does).
struct CsvPlace {
    static constexpr size_t kNoField = static_cast<size_t>(-1);
    std::uint64_t line = 0, column = 0;
    size_t field = kNoField;
};

// One row: its fields as views into the row's own bytes, valid until the row is parsed over.
// Reused from row to row, it keeps its room.
//
// Where a field begins is not stored: it follows from the text before it, one delimiter per field
// and the quote bytes the text leaves out, counted as the row is parsed and kept with each field's
// end; lines inside the row are noted where quoted fields hold them. Bytes become characters only
// when a place is asked for: the text holds every byte of the input that is not ASCII, so those of
// a line before a field are found in it.
class CsvRow {
public:
    size_t size() const { return fields_.size(); }
    std::string_view operator[](size_t i) const {
        size_t begin = i == 0 ? 0 : fields_[i - 1].end;
        return std::string_view(text_).substr(begin, fields_[i].end - begin);
    }
    // The line the row begins on, counted from 1.
    std::uint64_t line() const { return line_; }
    // Where field i begins (its opening quote, for a quoted one); i may be the field being
    // parsed, one past the fields ended.
    CsvPlace fieldPlace(size_t i) const;

private:
    friend class CsvParser;
    struct Field {
        std::uint32_t end;       // where it ends in text_
        std::uint32_t dropped;   // the row's quote bytes up to its end, which the text leaves out
    };
    // A line end in a quoted field: the text up to and with it, the input's bytes from the row's
    // start to the line after it, and whether it begins a line (the LF of a CR LF does not).
    struct LineEnd {
        std::uint32_t text, bytes;
        bool newLine;
    };
    // The column, in characters, of the byte that stands byteColumn bytes into the line on which
    // the text up to textEnd ends.
    std::uint64_t columnAt(size_t textEnd, std::uint64_t byteColumn) const;

    std::string text_;                   // the fields' bytes one after the other
    std::vector<Field> fields_;
    std::vector<LineEnd> lineEnds_;
    std::uint64_t line_ = 0;
};

// What stopped a parse before the end of its input.
enum class CsvFault { None, LongLine, LongRow, OpenQuote, NotText, NulByte };

class CsvParser {
public:
    // Puts the next bytes of the input into the buffer and returns how many: 0 at the end, and
    // again 0 when asked after it.
    using Fill = std::function<size_t(char* buffer, size_t capacity)>;

    // Bytes that are not UTF-8 text stop the parse.
    CsvParser(char delimiter, Fill fill);

    // Parses the next row into row: false at the end of the input or at a fault.
    bool next(CsvRow& row);
    CsvFault fault() const { return fault_; }
    // The line of the fault (where the row or the open quoted field began, for those), and for
    // NotText the byte met.
    std::uint64_t faultLine() const { return faultLine_; }
    unsigned char faultByte() const { return faultByte_; }
    // NotText at a character that the end of the input cut short.
    bool faultCutsCharacter() const { return faultTextBack_ > 0; }
    // Where the fault lies, given the row the fault stopped (the last one next() was given): the
    // start of the field being parsed for an open quote or a row too long, the start of the line
    // for a line too long, the byte itself for bytes that are not text.
    CsvPlace faultPlace(const CsvRow& row) const;

private:
    enum class State {
        RowStart,        // nothing of a row seen yet: a line end here ends an empty line
        FieldStart,      // at the first byte of a field
        Unquoted,        // in a field that did not begin with a quote
        Quoted,          // in a quoted field: delimiters and line ends are its text
        QuoteInQuoted,   // after a quote in a quoted field: a closing quote, or the first of two
    };
    // What a step of the machine leaves: go on, a row ended, or a fault stopped the parse.
    enum class Step { Go, RowEnded, Stopped };
    using Stops = std::array<bool, 256>;

    bool parseBlock(CsvRow& row);
    Step atRowStart(CsvRow& row);
    Step atFieldStart(CsvRow& row);
    Step inUnquoted(CsvRow& row);
    Step inQuoted(CsvRow& row);
    Step afterQuoteInQuoted(CsvRow& row);
    Step endRow(CsvRow& row);
    void endField(CsvRow& row) { row.fields_.push_back({static_cast<std::uint32_t>(row.text_.size()), rowDropped_}); }
    bool lineEnd();
    bool quotedLineEnd(CsvRow& row);
    bool refill();
    bool endOfInput(CsvRow& row);
    bool fail(CsvFault fault, std::uint64_t line, unsigned char byte = 0);
    const char* scan(const char* at, const Stops& stops) const;
    std::uint64_t offset(const char* at) const { return blockStart_ + std::uint64_t(at - block_.get()); }

    char delimiter_;
    Fill fill_;
    CsvTextCheck text_;
    Stops plainStops_{}, quotedStops_{};
    std::unique_ptr<char[]> block_;
    const char* pos_;
    const char* end_;
    std::uint64_t blockStart_ = 0;   // the input offset of the block's first byte
    char lastByte_ = 0;              // the byte before the block
    std::uint64_t lineStart_ = 0;    // the input offset where the current line began
    std::uint64_t rowStart_ = 0;     // the input offset where the current row began
    std::uint32_t rowDropped_ = 0;   // the quote bytes of the current row that its text leaves out
    std::uint64_t line_ = 1;
    // The block ends early, at a byte that is not text: the parse stops there with that fault.
    CsvFault textFault_ = CsvFault::None;
    unsigned char textFaultByte_ = 0;
    State state_ = State::RowStart;
    CsvFault fault_ = CsvFault::None;
    std::uint64_t faultLine_ = 0;
    std::uint64_t faultByteColumn_ = 0;   // bytes after the line's start, for the faults at a byte
    size_t faultTextBack_ = 0;            // bytes of the row's text from that byte on (a cut character)
    unsigned char faultByte_ = 0;
};

}  // namespace flk
