// What a read or write goes on through but reports when it ends, once, however many values it
// met: texts cut to a node's max-string-size (per node and identifier, with the longest length
// met) and values that the document cannot hold, written as null (per identifier). Noting costs a
// search of a list as short as the nodes that met such values; reporting logs one warning each
// on Ferrolink.FLK.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace flk {

class ValueNotes {
public:
    // length: in characters, of a text longer than limit, read by the node of that name.
    void textCut(const std::string& node, const std::wstring& identifier, int limit, size_t length);
    void writtenAsNull(const std::wstring& identifier);
    // One warning per entry noted (cut texts are met reading, nulls writing); then forgets them.
    void report(const std::wstring& documentName);

private:
    struct Cut {
        std::string node;
        std::wstring identifier;
        int limit;
        size_t longest;
        size_t count;
    };
    std::vector<Cut> cuts_;
    std::vector<std::wstring> nulls_;
};

}  // namespace flk
