#include "text/attribute_list.hpp"

namespace flk {
namespace {

// Advances pos past the characters for which skip holds.
template <class Skip>
void skipWhile(std::wstring_view text, std::size_t& pos, Skip skip) {
    while (pos < text.size() && skip(text[pos])) ++pos;
}

}  // namespace

std::vector<Attribute> splitAttributeList(std::wstring_view list) {
    std::vector<Attribute> attributes;
    std::size_t pos = 0;
    for (;;) {
        skipWhile(list, pos, [](wchar_t c) { return c == L'=' || c == L';'; });
        if (pos == list.size()) break;

        const std::size_t nameStart = pos;
        skipWhile(list, pos, [](wchar_t c) { return c != L'=' && c != L';'; });
        const std::wstring_view name = list.substr(nameStart, pos - nameStart);
        if (pos < list.size() && list[pos] == L'=') ++pos;

        const std::size_t valueStart = pos;
        skipWhile(list, pos, [](wchar_t c) { return c != L';'; });
        const std::wstring_view value = list.substr(valueStart, pos - valueStart);
        if (pos < list.size()) ++pos;  // the ";"

        skipWhile(list, pos, [](wchar_t c) { return c == L' '; });
        attributes.push_back({std::wstring(name), std::wstring(value)});
    }
    return attributes;
}

}  // namespace flk
