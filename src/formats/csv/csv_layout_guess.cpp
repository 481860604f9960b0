#include "formats/csv/csv_layout_guess.hpp"

#include "formats/csv/csv_limits.hpp"

#include <array>
#include <map>

namespace flk {
namespace {

// 0, or the length of the line end at `at`: CR LF is one.
size_t lineEndAt(std::string_view text, size_t at) {
    if (text[at] == '\n') return 1;
    if (text[at] != '\r') return 0;
    return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

// One delimiter's reading of the sample, row by row, as the parser reads it but for the quoted
// fields that do not close (see guessCsvLayout).
class SampleScan {
public:
    SampleScan(std::string_view sample, char delimiter) : text_(sample), delimiter_(delimiter) {
        for (char stop : {delimiter, '\n', '\r'}) plainStops_[static_cast<unsigned char>(stop)] = true;
        for (char stop : {'"', '\n', '\r'}) quotedStops_[static_cast<unsigned char>(stop)] = true;
    }
    CsvDelimiterScore run();

private:
    enum class State {
        RowStart,        // between rows: line ends here hold no row
        FieldStart,      // at the first byte of a field
        Unquoted,        // in a field that did not begin with a quote
        Quoted,          // in a quoted field: delimiters and line ends are its text
        QuoteInQuoted,   // after a quote in a quoted field
    };
    struct Tally {
        size_t rows = 0, lines = 0;
        std::uint64_t firstLine = 0;
    };

    using Stops = std::array<bool, 256>;

    // Past the bytes of a field's text that change nothing: most of the sample.
    void skip(const Stops& stops) {
        while (at_ < text_.size() && !stops[static_cast<unsigned char>(text_[at_])]) ++at_;
    }
    void step(char c, size_t lineEnd);
    void atRowStart(size_t lineEnd);
    void take(State next);   // the byte at at_ moves the machine to next
    void nextField();
    void endRow(size_t lineEnd);
    void quotedLineEnd(size_t lineEnd);
    void setAside();
    bool endOfSample();

    std::string_view text_;
    char delimiter_;
    Stops plainStops_{}, quotedStops_{};
    State state_ = State::RowStart;
    size_t at_ = 0;
    std::uint64_t line_ = 1;
    size_t fields_ = 0;
    std::uint64_t rowLine_ = 0;
    size_t quotedLines_ = 0;        // line ends met inside the current row's quoted fields
    size_t resume_ = 0;             // after the row's first line, where a set-aside row resumes
    std::uint64_t resumeLine_ = 0;
    size_t setAside_ = 0;
    std::map<size_t, Tally> byWidth_;
};

CsvDelimiterScore SampleScan::run() {
    do {
        while (at_ < text_.size()) {
            if (state_ == State::Unquoted) skip(plainStops_);
            else if (state_ == State::Quoted) skip(quotedStops_);
            if (at_ < text_.size()) step(text_[at_], lineEndAt(text_, at_));
        }
    } while (!endOfSample());
    CsvDelimiterScore best{delimiter_};
    for (const auto& [width, tally] : byWidth_) {
        CsvDelimiterScore score{delimiter_, width, tally.rows, tally.lines, tally.firstLine};
        if (score.value() > best.value() || (score.value() == best.value() && score.firstLine < best.firstLine)) best = score;
    }
    best.setAside = setAside_;
    return best;
}

void SampleScan::step(char c, size_t lineEnd) {
    switch (state_) {
        case State::RowStart: return atRowStart(lineEnd);
        case State::FieldStart:
            if (lineEnd) return endRow(lineEnd);
            if (c == '"') return take(State::Quoted);
            if (c == delimiter_) return nextField();
            state_ = State::Unquoted;
            return;
        case State::Unquoted:
            if (lineEnd) return endRow(lineEnd);
            if (c == delimiter_) return nextField();
            ++at_;
            return;
        case State::Quoted:
            if (lineEnd) return quotedLineEnd(lineEnd);
            if (c == '"') return take(State::QuoteInQuoted);
            ++at_;
            return;
        case State::QuoteInQuoted:
            if (lineEnd) return endRow(lineEnd);
            if (c == '"') return take(State::Quoted);   // two quotes stand for one
            if (c == delimiter_) return nextField();
            state_ = State::Unquoted;   // text after the closing quote belongs to the field
            return;
    }
}

void SampleScan::atRowStart(size_t lineEnd) {
    if (lineEnd) {
        at_ += lineEnd;
        ++line_;
        return;
    }
    rowLine_ = line_;
    fields_ = 1;
    quotedLines_ = 0;
    state_ = State::FieldStart;
}

void SampleScan::take(State next) {
    state_ = next;
    ++at_;
}

void SampleScan::nextField() {
    ++fields_;
    take(State::FieldStart);
}

void SampleScan::endRow(size_t lineEnd) {
    Tally& tally = byWidth_[fields_];
    if (tally.rows++ == 0) tally.firstLine = rowLine_;
    tally.lines += size_t(line_ - rowLine_ + 1);
    at_ += lineEnd;
    ++line_;
    state_ = State::RowStart;
}

void SampleScan::quotedLineEnd(size_t lineEnd) {
    at_ += lineEnd;
    ++line_;
    if (++quotedLines_ == 1) {
        resume_ = at_;
        resumeLine_ = line_;
    }
    if (quotedLines_ > kCsvGuessMaxQuotedLines) setAside();
}

// The row's first line holds a quote that opens a field which does not close: it counts for no
// width, and the lines after it are read as if it were not there.
void SampleScan::setAside() {
    ++setAside_;
    at_ = resume_;
    line_ = resumeLine_;
    state_ = State::RowStart;
}

// True when the scan is done; false when it resumes after a row set aside.
bool SampleScan::endOfSample() {
    switch (state_) {
        case State::RowStart: return true;
        case State::Quoted:
            if (quotedLines_ == 0) return true;   // the sample ends on the line the quote opened: left out
            setAside();
            return false;
        default: endRow(0); return true;
    }
}

std::string shown(char delimiter) { return delimiter == '\t' ? "tab" : std::string("'") + delimiter + "'"; }

std::string rowsOf(const CsvDelimiterScore& score) {
    std::string text = std::to_string(score.rows) + (score.rows == 1 ? " row" : " rows") + " of " + std::to_string(score.width) +
                       (score.width == 1 ? " field" : " fields");
    return score.lines == score.rows ? text : text + " over " + std::to_string(score.lines) + " lines";
}

}  // namespace

CsvLayout guessCsvLayout(std::string_view sample) {
    CsvLayout layout;
    for (char delimiter : kCsvDelimiters) {
        CsvDelimiterScore score = SampleScan(sample, delimiter).run();
        if (score.value() > layout.chosen.value()) {
            if (layout.chosen.value() > 0) layout.runnerUp = layout.chosen;
            layout.chosen = score;
        } else if (score.value() > layout.runnerUp.value()) {
            layout.runnerUp = score;
        }
    }
    if (layout.chosen.value() > 0) {
        layout.delimiter = layout.chosen.delimiter;
        layout.headerLine = layout.chosen.firstLine;
    }
    return layout;
}

std::string describeCsvLayout(const CsvLayout& layout) {
    if (layout.chosen.value() == 0) return "no row in the first bytes: delimiter ',', no header";
    std::string text = "delimiter " + shown(layout.delimiter) + ", header on line " + std::to_string(layout.headerLine) +
                       ": " + rowsOf(layout.chosen) + " with it";
    if (layout.runnerUp.value() > 0) text += ", next best " + shown(layout.runnerUp.delimiter) + " with " + rowsOf(layout.runnerUp);
    if (layout.chosen.setAside > 0)
        text += "; " + std::to_string(layout.chosen.setAside) +
                (layout.chosen.setAside == 1 ? " line was" : " lines were") + " left out of the guess for a quote that does not close";
    return text;
}

}  // namespace flk
