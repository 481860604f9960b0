#include "formats/csv/csv_parser.hpp"

#include "formats/csv/csv_limits.hpp"

namespace flk {
namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

CsvPlace CsvRow::fieldPlace(size_t i) const {
    const size_t text = i == 0 ? 0 : fields_[i - 1].end;
    // The text before the field, a delimiter after each field before it, and their quotes.
    std::uint64_t bytes = text + i + (i == 0 ? 0 : fields_[i - 1].dropped);
    std::uint64_t line = line_, lineBytes = 0;
    for (const LineEnd& e : lineEnds_) {
        if (e.text > text) break;
        line += e.newLine ? 1 : 0;
        lineBytes = e.bytes;
    }
    return CsvPlace{line, columnAt(text, bytes - lineBytes), i};
}

// Quotes and delimiters, the only bytes of a line that the text leaves out, are ASCII: the
// continuation bytes of the line before the place are those of the text since its last line end.
std::uint64_t CsvRow::columnAt(size_t textEnd, std::uint64_t byteColumn) const {
    std::uint64_t continuation = 0;
    for (size_t at = textEnd; at > 0 && !isLineEnd(text_[at - 1]); --at)
        if (isContinuation(text_[at - 1])) ++continuation;
    return byteColumn - continuation + 1;
}

CsvParser::CsvParser(char delimiter, Fill fill)
    : delimiter_(delimiter), fill_(std::move(fill)), block_(new char[kCsvBlockBytes]) {
    pos_ = end_ = block_.get();
    for (char stop : {delimiter, '\n', '\r'}) plainStops_[static_cast<unsigned char>(stop)] = true;
    for (char stop : {'"', '\n', '\r'}) quotedStops_[static_cast<unsigned char>(stop)] = true;
}

bool CsvParser::next(CsvRow& row) {
    row.text_.clear();
    row.fields_.clear();
    row.lineEnds_.clear();
    if (fault_ != CsvFault::None) return false;
    for (;;) {
        if (parseBlock(row)) return true;
        if (fault_ != CsvFault::None) return false;
        if (row.text_.size() >= kCsvMaxRowBytes) return fail(CsvFault::LongRow, row.line_);
        if (!refill()) return fault_ == CsvFault::None && endOfInput(row);
    }
}

CsvPlace CsvParser::faultPlace(const CsvRow& row) const {
    switch (fault_) {
        case CsvFault::OpenQuote:
        case CsvFault::LongRow: return row.fieldPlace(row.size());
        case CsvFault::LongLine: return CsvPlace{faultLine_, 1, CsvPlace::kNoField};
        case CsvFault::NotText:
        case CsvFault::NulByte:
            return CsvPlace{faultLine_, row.columnAt(row.text_.size() - faultTextBack_, faultByteColumn_), row.size()};
        case CsvFault::None: break;
    }
    return CsvPlace{};
}

const char* CsvParser::scan(const char* at, const Stops& stops) const {
    while (at < end_ && !stops[static_cast<unsigned char>(*at)]) ++at;
    return at;
}

// Runs the machine until a row ends (true), or the block is used up or a fault stops it (false).
bool CsvParser::parseBlock(CsvRow& row) {
    while (pos_ < end_) {
        Step step = Step::Go;
        switch (state_) {
            case State::RowStart: step = atRowStart(row); break;
            case State::FieldStart: step = atFieldStart(row); break;
            case State::Unquoted: step = inUnquoted(row); break;
            case State::Quoted: step = inQuoted(row); break;
            case State::QuoteInQuoted: step = afterQuoteInQuoted(row); break;
        }
        if (step != Step::Go) return step == Step::RowEnded;
    }
    return false;
}

CsvParser::Step CsvParser::atRowStart(CsvRow& row) {
    if (!isLineEnd(*pos_)) {
        row.line_ = line_;
        rowStart_ = offset(pos_);
        rowDropped_ = 0;
        state_ = State::FieldStart;
        return Step::Go;
    }
    if (!lineEnd()) return Step::Stopped;
    ++pos_;
    return Step::Go;
}

CsvParser::Step CsvParser::atFieldStart(CsvRow& row) {
    char c = *pos_;
    if (isLineEnd(c)) return endRow(row);
    if (c == '"') {
        ++rowDropped_;
        state_ = State::Quoted;
        ++pos_;
    } else if (c == delimiter_) {
        endField(row);
        ++pos_;
    } else {
        state_ = State::Unquoted;
    }
    return Step::Go;
}

CsvParser::Step CsvParser::inUnquoted(CsvRow& row) {
    const char* stop = scan(pos_, plainStops_);
    row.text_.append(pos_, stop);
    pos_ = stop;
    if (pos_ == end_) return Step::Go;
    if (*pos_ != delimiter_) return endRow(row);
    endField(row);
    ++pos_;
    state_ = State::FieldStart;
    return Step::Go;
}

// A line end in quotes is the field's text, and still a line of the input.
CsvParser::Step CsvParser::inQuoted(CsvRow& row) {
    const char* stop = scan(pos_, quotedStops_);
    row.text_.append(pos_, stop);
    pos_ = stop;
    if (pos_ == end_) return Step::Go;
    if (*pos_ == '"') {
        ++rowDropped_;   // a closing quote, or the first of two that stand for one
        state_ = State::QuoteInQuoted;
    } else {
        row.text_ += *pos_;
        if (!quotedLineEnd(row)) return Step::Stopped;
    }
    ++pos_;
    return Step::Go;
}

bool CsvParser::quotedLineEnd(CsvRow& row) {
    std::uint64_t line = line_;
    if (!lineEnd()) return false;
    row.lineEnds_.push_back(
        {static_cast<std::uint32_t>(row.text_.size()), static_cast<std::uint32_t>(lineStart_ - rowStart_), line_ != line});
    return true;
}

CsvParser::Step CsvParser::afterQuoteInQuoted(CsvRow& row) {
    char c = *pos_;
    if (isLineEnd(c)) return endRow(row);
    if (c == '"') {   // two quotes stand for one
        row.text_ += '"';
        state_ = State::Quoted;
        ++pos_;
    } else if (c == delimiter_) {
        endField(row);
        state_ = State::FieldStart;
        ++pos_;
    } else {   // text after the closing quote belongs to the field
        state_ = State::Unquoted;
    }
    return Step::Go;
}

// At the line end that ends the row.
CsvParser::Step CsvParser::endRow(CsvRow& row) {
    endField(row);
    state_ = State::RowStart;
    if (!lineEnd()) return Step::Stopped;
    ++pos_;
    return Step::RowEnded;
}

// Counts the line end at pos_ (a LF right after a CR is part of the same one) and checks the
// length of the line it ends.
bool CsvParser::lineEnd() {
    std::uint64_t at = offset(pos_);
    if (at - lineStart_ >= kCsvMaxLineBytes) return fail(CsvFault::LongLine, line_);
    lineStart_ = at + 1;
    char before = pos_ > block_.get() ? pos_[-1] : lastByte_;
    if (*pos_ == '\r' || before != '\r') ++line_;
    return true;
}

// The next block; false at the end of the input or at a fault. A line that has grown to the
// limit fails here already, before its end arrives. A block holding a byte that is not text ends
// before it, so that the parse stops there and can say where.
bool CsvParser::refill() {
    if (textFault_ != CsvFault::None) {
        faultByteColumn_ = offset(pos_) - lineStart_;
        return fail(textFault_, line_, textFaultByte_);
    }
    size_t used = size_t(end_ - block_.get());
    if (used > 0) lastByte_ = end_[-1];
    blockStart_ += used;
    if (blockStart_ - lineStart_ >= kCsvMaxLineBytes) return fail(CsvFault::LongLine, line_);
    size_t size = fill_(block_.get(), kCsvBlockBytes);
    pos_ = block_.get();
    end_ = pos_ + size;
    if (size == 0) return false;
    size_t bad = text_.check(pos_, size);
    if (bad < size) {
        textFaultByte_ = static_cast<unsigned char>(pos_[bad]);
        textFault_ = textFaultByte_ == 0 ? CsvFault::NulByte : CsvFault::NotText;
        end_ = pos_ + bad;
    }
    return true;
}

// A character cut short by the end of the input is in the row's text: its place is that of its
// first byte.
bool CsvParser::endOfInput(CsvRow& row) {
    if (unsigned char open = text_.openCharacter()) {
        faultTextBack_ = 1;
        const std::string& text = row.text_;
        while (faultTextBack_ < text.size() && isContinuation(text[text.size() - faultTextBack_])) ++faultTextBack_;
        faultByteColumn_ = offset(pos_) - lineStart_ - faultTextBack_;
        return fail(CsvFault::NotText, line_, open);
    }
    switch (state_) {
        case State::RowStart: return false;
        case State::Quoted: return fail(CsvFault::OpenQuote, row.fieldPlace(row.size()).line);
        default:
            endField(row);
            state_ = State::RowStart;
            return true;
    }
}

bool CsvParser::fail(CsvFault fault, std::uint64_t line, unsigned char byte) {
    fault_ = fault;
    faultLine_ = line;
    faultByte_ = byte;
    return false;
}

}  // namespace flk
