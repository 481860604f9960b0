// CSV text as every table is written: "," between fields, a LF after every line, UTF-8 without a
// byte-order mark. A field is quoted, with its quotes doubled, when it holds a quote, a comma, a
// CR or a LF (a line end left bare would end the row when the text is read back); a row that is
// one empty field is written as "" for the same reason (a line without any byte holds no row).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace flk {

class CsvWriter {
public:
    // The output must outlive the writer.
    explicit CsvWriter(std::ostream& output);
    void row(const std::vector<std::string>& fields);
    // Hands what is left to the output; throws std::runtime_error when the output failed.
    void finish();

private:
    void field(std::string_view text);
    void spill();

    std::ostream& output_;
    std::string pending_;
};

}  // namespace flk
