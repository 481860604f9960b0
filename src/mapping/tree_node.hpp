// The base of every mapping node: the naming and binding attributes shared by all document kinds,
// the tree structure, the checks run once a mapping file is parsed, and the virtual interface
// through which the drivers and the document formats read and write.
//
// Nodes are built by their parent's parseMapping and not changed after the mapping is registered;
// a node is owned by its parent through a shared pointer, the root by its Mapping.
#pragma once

#include "mapping/mapping.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_node;
}

namespace flk {

class MappingState;
class ReadState;
class WriteState;
class NameRegex;
class Normalizer;
enum class ReadStart;

// The document kind of a mapping's root node; the codes are those the first mapping tools used.
enum class DocumentKind { None = 0, JSON = 1, XML = 2, CSV = 3, Excel = 4, Parquet = 6 };

// The name under which a positional parent (a root, an array) enters its one child.
constexpr const char* kPositionalChild = "##";

// One ExternalBinding element: an index of this node fixed from outside for a whole read or write.
struct NodeExternalBinding {
    std::wstring bindsTo, binding, iterativeBinding;
    std::string iterativePrefix;
    int index = -1;                              // binds-to in the index table
    int iterativeIndex = -1;                     // iterative-binding in the index table
    std::shared_ptr<MolvoIOHandler> bindingParameter;
};

// The attributes of a mapping element as the mapping file gives them (UTF-8; identifier names
// qualified by validateBindings). Set while the node is parsed, constant afterwards.
struct NodeAttributes {
    std::string name, altName, nameRegex, nameRegexPrefix, nameRegexPostfix, nameRegexFrom;
    std::wstring nameBindsTo, iterativeBindsTo, bindsTo, implicitBindsTo, constBindsTo;
    std::string iterativePrefix, constBindsValue;
    std::string mapsTo, writeFilter, forceDense, embeddedMapping, includedMapping, value;
    std::wstring includedMappingName;
    std::string readNormalize, writeNormalize;
    int maxStringSize = MolvoIOHandler::kMinStringSize;
    bool bindsExisting = false, skipNonExisting = true, iterativeExisting = false, rangeExisting = false;
    bool iterativeResetAll = false;
    bool denseChildren = false;   // object nodes: children without data are still written
    bool writeDefaults = false;   // table columns: a missing value is written as the default
    std::vector<std::wstring> iterativeResetList;
};

class TreeNode {
public:
    TreeNode();
    virtual ~TreeNode();
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    // ---- the format-neutral interface. Each document kind adds its own read and write steps in
    // the base class of its nodes (a node's children are always of its own kind). Operations a
    // class does not implement throw std::logic_error("The method or operation is not implemented.")
    virtual DocumentKind documentKind() const { return DocumentKind::None; }
    virtual bool parseMapping(const pugi::xml_node& element, Mapping& mapping);
    virtual bool readDocument(ReadState& state);
    virtual bool writeDocument(WriteState& state, int pretty);
    virtual bool isValueNode() const { return false; }
    virtual bool hasNamedChildren() const { return true; }
    // False where ExternalBinding is refused like any other element the node does not accept.
    virtual bool acceptsExternalBinding() const { return true; }
    // Roots of kinds whose documents are files only: a document name beginning with "#" is the
    // name of a file to them, not of a memory stream.
    virtual bool documentsInFilesOnly() const { return false; }
    virtual const char* typeName() const = 0;

    // ---- structure
    TreeNode* parent() const { return parent_; }
    const std::vector<std::shared_ptr<TreeNode>>& children() const { return children_; }
    const std::vector<std::shared_ptr<TreeNode>>& regexChildren() const { return regexChildren_; }
    // The child entered under that name or alt-name, or nullptr.
    TreeNode* childNamed(std::string_view name) const;
    const std::string& name() const { return attributes_.name; }
    const NodeAttributes& attributes() const { return attributes_; }
    const std::vector<NodeExternalBinding>& externalBindings() const { return externalBindings_; }
    // The nearest root, or this.
    const TreeNode& top() const;

    // ---- parsing helpers for node classes
    void unknownAttribute(const std::string& attribute);
    bool parseExternalBinding(const pugi::xml_node& element, Mapping& mapping);
    // explicitName: "##" for positional parents, nullptr otherwise.
    bool addChild(std::shared_ptr<TreeNode> child, Mapping& mapping, const char* explicitName);
    void parseIterativeReset(const std::string& value, Mapping& mapping);
    // Applies an attribute that TreeNode stores; false when the name is not one of them.
    bool applyCommonAttribute(const std::string& attribute, const std::string& value);
    // Runs validateBindings and resolve over the tree below a root.
    bool checkTree(Mapping& mapping);

    bool validateBindings(Mapping& mapping);
    bool resolve(Mapping& mapping);

    // ---- reading
    void resetIterativeCounters();
    bool resetsIterativeCounters() const {
        return attributes_.iterativeResetAll || !attributes_.iterativeResetList.empty();
    }
    // Whether a read of this node that succeeded leaves a maps-to or force-dense mark.
    bool leavesMarks() const { return leavesMarks_; }
    // Whether the end of this node's read has index slots to clear (clearScopeBindings).
    bool hasScopeBindings() const { return hasScopeBindings_; }
    // Whether the start of this node's read has anything to bind or reset (bindPrologue); true
    // until the bindings are resolved.
    bool hasPrologue() const { return hasPrologue_; }
    // Name binding (bindByRegex), then iterative and constant binding.
    ReadStart bindPrologue(ReadState& state, std::string_view name);
    int bindByRegex(MappingState& state, std::string_view key);
    int bindIterative(MappingState& state);
    void bindConst(MappingState& state);
    void markForceDense(MappingState& state);
    // Clears the slots of the indices bound for this node's scope that its parent does not bind.
    void clearScopeBindings(MappingState& state) const;
    // Clears the slots its value children bound, at the end of each row or element they stand in.
    void clearValueBindings(MappingState& state) const;
    // A value node whose binds-to binds an index: read before its siblings, which may depend on it.
    bool bindsIndexFromValue() const { return bindsToIndex_ >= 0 && isValueNode(); }
    // The member name matches this node's compiled pattern.
    bool matchesPattern(std::string_view key) const;
    std::string normalizedForRead(std::string_view text) const;
    std::string normalizedForWrite(std::string_view text) const;

    // ---- resolved bindings: positions in the mapping's index table and reference list, -1 for none
    int bindsToIndex() const { return bindsToIndex_; }
    int nameBindsIndex() const { return nameBindsIndex_; }
    int mapsToReference() const { return mapsToRef_; }
    int forceDenseReference() const { return forceDenseRef_; }
    int includedReference() const { return includedRef_; }
    // The indices bound at the ancestors and here, in order, and the part of them added here.
    const std::vector<int>& boundIndices() const { return boundAll_; }
    const std::vector<int>& ownIndices() const { return boundOwn_; }
    // Whether a write enumerates tuples of indices this node binds itself.
    bool bindsOwnIndices() const { return !levels_[0].own.empty(); }
    // The "@" mapping this node includes was registered when this one was.
    bool includedKnown() const { return includedKnown_; }
    const Normalizer* readNormalizer() const { return readNormalizer_; }

    // ---- writing
    bool hasIterators() const { return !subtreeReferences_.empty(); }
    // The references of this node and its descendants, whose cursors the enumeration moves.
    const std::vector<int>& subtreeReferences() const { return subtreeReferences_; }
    // Moves to this node's next data tuple and binds its slots; false when there is none.
    // Level 1 enumerates the rows of a table node (the indices its value columns bind); level 0
    // everything else bound at the node.
    bool nextTuple(WriteState& state, int level = 0) const;
    // Advances every cursor of the subtree that still lies on the current tuple.
    void finishTuple(WriteState& state, int level = 0) const;
    // Clears the slots this node bound while enumerating.
    void releaseTuple(WriteState& state, int level = 0) const;
    // True when the node is written at the current tuple (const-binds-to, write-filter).
    bool writeFiltered(WriteState& state) const;
    // The key written for this node; false when it has none.
    bool writeKey(WriteState& state, std::string& key) const;
    // The reference's cursor lies on the current tuple; with consume it then moves on.
    bool hasValueAt(WriteState& state, int reference, bool consume) const;

    // Calls write(child) once per data tuple of the child (once when it has no iterators), in
    // increasing tuple order; stops and returns false at the first failing write. A child that
    // binds no index of its own has at most the one tuple its ancestors fixed: finishing it moved
    // every cursor that lay there past it.
    template <class Write>
    bool forEachTuple(WriteState& state, const TreeNode& child, Write&& write) const {
        bool ok = true;
        while (ok && child.nextTuple(state)) {
            if (child.writeFiltered(state)) ok = write();
            child.finishTuple(state);
            if (!child.hasIterators() || !child.bindsOwnIndices()) break;
        }
        child.releaseTuple(state);
        return ok;
    }

protected:
    // Shared by the parseMapping of every class: the attributes with the accepted names, then the
    // child elements through makeChild (nullptr refuses the element).
    bool parseElement(const pugi::xml_node& element, Mapping& mapping, const char* elementName,
                      const std::vector<std::string_view>& accepted, const char* explicitChildName);
    // The two halves of parseElement, for a class that places some of its children itself.
    void parseAttributes(const pugi::xml_node& element, Mapping& mapping, const std::vector<std::string_view>& accepted);
    bool parseChildren(const pugi::xml_node& element, Mapping& mapping, const char* elementName,
                       const char* explicitChildName);
    virtual bool applyOwnAttribute(const std::string& attribute, const std::string& value);
    virtual std::shared_ptr<TreeNode> makeChild(std::string_view element);

    // Table nodes: the indices their value columns bind are enumerated per row.
    void setRowsInScope() { rowsInScope_ = true; }

    NodeAttributes attributes_;
    Mapping* mapping_ = nullptr;   // the owning mapping; set by parseMapping

private:
    std::vector<NodeExternalBinding> externalBindings_;
    // ---- resolved bindings
    int bindsToIndex_ = -1, nameBindsIndex_ = -1, iterativeIndex_ = -1, constIndex_ = -1, constElement_ = 0;
    int mapsToRef_ = -1, writeFilterRef_ = -1, forceDenseRef_ = -1, includedRef_ = -1;
    bool nestedMapping_ = false;
    std::vector<int> boundAll_;      // index positions bound at the ancestors and here, in order
    std::vector<int> boundOwn_;      // the part of boundAll_ added at this node
    std::vector<int> scopeOwned_;    // slots cleared when this node's read ends (value children's binds-to)
    std::vector<int> subtreeReferences_;
    // What one enumeration level binds, and per subtree reference the dimensions fixed before it
    // and the dimension of each position it binds (-1 when the reference lacks it).
    struct Level {
        std::vector<int> own;
        std::vector<std::vector<int>> fixedDims, ownDims;
    };
    Level levels_[2];
    bool rowsInScope_ = false;   // table nodes: value columns' indices are enumerated per row
    bool leavesMarks_ = false, hasScopeBindings_ = false;   // see leavesMarks(), hasScopeBindings()
    bool hasPrologue_ = true;                               // see hasPrologue()
    std::vector<int> includedShadows_;   // references standing for the included mapping's identifiers
    bool includedKnown_ = false;         // the "@" mapping was registered when this one was
    std::unique_ptr<NameRegex> regex_;
    const Normalizer* readNormalizer_ = nullptr;
    const Normalizer* writeNormalizer_ = nullptr;

    bool validateExternal(Mapping& mapping);
    bool compileNameRegex();
    bool registerConst(Mapping& mapping);
    void collectBoundIndices();
    bool resolveIterativeExternal(Mapping& mapping);
    bool checkIterativeSource(const NodeExternalBinding& binding) const;
    bool resolveReference(Mapping& mapping, const std::string& attribute, const std::string& reference,
                          bool clearedOnReset, int& number);
    bool buildRegexFrom(Mapping& mapping);
    void collectEnumeration(Mapping& mapping);
    bool checkIncludedNow(Mapping& mapping) const;
    void shadowIncluded(Mapping& mapping);

    TreeNode* parent_ = nullptr;
    std::vector<std::shared_ptr<TreeNode>> children_;
    std::vector<std::shared_ptr<TreeNode>> regexChildren_;
    // Names and alt-names of the children in document order; searched on every member of every
    // object read, where a short scan beats hashing a key that is usually small.
    std::vector<std::pair<std::string, TreeNode*>> childByName_;
};

// The text every unimplemented operation throws.
[[noreturn]] void notImplemented();

}  // namespace flk
