// What a read or write goes on through but reports when it ends, once, however many values it
// met: texts cut to a node's max-string-size (per node and identifier, with the longest length
// met) and integers beyond the 32-bit range (per identifier) when reading; values that the
// document cannot hold, written as null, numbers beyond the 32-bit range written as integers, and
// names and strings the host cut to fit the buffers they are read into (per identifier) when
// writing. Noting costs a search of a list as short as
// the identifiers that met such values; reporting logs each entry as a warning on Ferrolink.FLK
// and raises it to the host, with its count, so that the modeller hears of it.
#pragma once

#include "host/molvo_io_handler.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace flk {

class ValueNotes {
public:
    // length: in characters, of a text longer than limit, read by the node of that name.
    void textCut(const std::string& node, const std::wstring& identifier, int limit, size_t length);
    // A number of the identifier lay beyond the 32-bit range and was saturated: read into it, or
    // written from it as an integer.
    void integerSaturated(const std::wstring& identifier, bool writing = false);
    void writtenAsNull(const std::wstring& identifier);
    // What the host cut of the handler's names and strings (MolvoIOHandler::takeCuts).
    void hostCuts(const MolvoIOHandler& handler, const MolvoIOHandler::Cuts& cuts);
    // One warning per entry noted; then forgets them.
    void report(const std::wstring& documentName);

private:
    // A kind of note for one identifier (and node, and limit), how often it was met and the
    // longest length involved.
    enum class Kind { TextCut, Saturated, SaturatedWritten, Null, NameCut, ValueCut };
    struct Note {
        Kind kind;
        std::wstring identifier;
        std::string node;
        int limit;
        size_t count;
        size_t longest;
    };
    void note(Kind kind, const std::wstring& identifier, const std::string& node, int limit, size_t count, size_t length);
    static std::string text(const std::string& document, const Note& n);

    std::vector<Note> notes_;
};

}  // namespace flk
