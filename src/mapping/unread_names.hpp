// What a read met but read nothing of: the objects or elements of a node whose members none of
// the node's children read. Said once per node when the read ends, with the first names met,
// and only for a node none of whose objects or elements had a member read in that read: a node
// whose mapping claims names that the data does not use is the one worth a word.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace flk {

class TreeNode;

class UnreadNames {
public:
    static constexpr size_t kNamesShown = 5;        // the names a warning lists, then "..."
    static constexpr size_t kNameBytesShown = 64;   // a longer name is cut there

    // Kept by each node that reads members: the last read in which one of its children read one,
    // so that only the first object of a node in a read does more than compare a number.
    struct Mark {
        unsigned long long read = 0;
    };

    UnreadNames();
    UnreadNames(const UnreadNames&) = delete;
    UnreadNames& operator=(const UnreadNames&) = delete;

    // One object or element of the node had a member some child read.
    void childRead(const TreeNode& node, Mark& mark) {
        if (mark.read != serial_) noteRead(node, mark);
    }
    // One object or element of the node met this name, and no child read any of its names.
    void unread(const TreeNode& node, std::string_view name);
    // Warns once for each node that met names and read none, in the order the nodes met them;
    // members says what the names are ("members", "elements").
    void report(const std::wstring& document, std::string_view members) const;

private:
    struct Unread {
        const TreeNode* node;
        std::vector<std::string> names;
        bool more = false;   // names beyond those kept
    };

    void noteRead(const TreeNode& node, Mark& mark);
    bool readSome(const TreeNode& node) const;

    unsigned long long serial_;       // this read's, unique among the reads of the process
    std::vector<const TreeNode*> read_;   // nodes a child of which read a member, once each
    std::vector<Unread> unread_;
};

}  // namespace flk
