// Copying a text file from one encoding into another, line by line, with CR LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ucsIO {

struct TextFileName {
    std::wstring wide;  // as messages show it
    std::string utf8;   // as the file is opened
};

struct ConversionOutcome {
    bool copied = false;  // the whole input was decoded, encoded and written
    std::int32_t inputError = 0;
    std::wstring inputMessage;
    std::int32_t outputError = 0;
    std::wstring outputMessage;
};

// Encodings "" mean the default; noBom leaves out the output encoding's BOM. Only regular files are
// read. Not copied when a file cannot be opened, an encoding is unknown, the input cannot be
// decoded to its end, or the output cannot be encoded or written. The output file is replaced
// once the conversion ends, with what was converted before a failure to decode or encode; an
// output that cannot be opened or written leaves it as it was.
ConversionOutcome convertTextFile(const TextFileName& input, std::wstring_view inputEncoding,
                                  const TextFileName& output, std::wstring_view outputEncoding, bool noBom);

}  // namespace ucsIO
