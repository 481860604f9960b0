// The exports that register, delete and reset mappings.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/root_kinds.hpp"
#include "mapping/tree_node.hpp"
#include "platform/input_file.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <istream>

namespace flk {
namespace {


// How deep the elements nest, measured without recursion (the nodes' own parsing recurses once
// per level) and only up to one level past the limit.
struct DepthCheck : pugi::xml_tree_walker {
    int deepest = 0;
    bool for_each(pugi::xml_node& node) override {
        if (node.type() == pugi::node_element) deepest = std::max(deepest, depth() + 1);   // depth() counts from 0
        return deepest <= kMaxMappingDepth;
    }
};

// Loads the file and measures its nesting into depth; false after raising.
bool loadMappingFile(const std::string& file, pugi::xml_document& document, int& depth) {
    auto refuse = [&](const std::string& reason) {
        return raiseError("Unable to parse mapping file " + file + ": " + reason) != 0;
    };
    InputFile input;
    if (!input.open(file))
        return refuse(input.failure() == InputFile::Failure::NotFound ? "File was not found" : input.reason());
    std::unique_ptr<std::streambuf> buffer = input.releaseAsBuffer();
    std::istream stream(buffer.get());
    pugi::xml_parse_result parsed = document.load(stream);
    if (!parsed) return refuse(parsed.description());
    DepthCheck check;
    document.traverse(check);
    depth = check.deepest;
    if (depth > kMaxMappingDepth) return refuse("its elements are nested more than " + std::to_string(kMaxMappingDepth) + " deep");
    return true;
}

// Parses the file into the entry's mapping; false leaves the entry empty.
int addMapping(const std::wstring& name, const std::wstring& file) {
    pugi::xml_document document;
    int depth = 0;
    if (!loadMappingFile(toUtf8(file), document, depth)) return 0;
    // A new object rather than the old one emptied in place: whoever still holds the old mapping
    // (a read or write in progress) keeps it whole.
    std::shared_ptr<Mapping>& entry = mappingEntry(name);
    entry = std::make_shared<Mapping>();
    entry->name = name;
    entry->depth = depth;
    for (const RootKind& kind : rootKinds()) {
        pugi::xml_node element = document.child(kind.element);
        if (!element) continue;
        if (!kind.create) {
            deleteMapping(name);
            return raiseError(std::string(kind.kind) + " mappings (" + kind.element +
                              ") are not supported by this build of the library");
        }
        entry->root = kind.create();
        std::shared_ptr<Mapping> keep = entry;
        if (keep->root->parseMapping(element, *keep)) return 1;
        deleteMapping(name);
        return 0;
    }
    deleteMapping(name);
    return raiseError("Mapping " + toUtf8(name) + " contains a non-recognized mapping type " +
                      document.first_child().name());
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int AddMapping(const wchar_t* mappingName, const wchar_t* mappingFile) {
    std::wstring name(argumentText(mappingName)), file(argumentText(mappingFile));
    std::string context = "AddMapping " + toUtf8(name);
    return runExport(context.c_str(), Host::Controlled, [&] {
        LOG4CXX_INFO(logger(Log::FLK), "Add mapping " << toUtf8(name) << " from file " << toUtf8(file));
        try {
            return addMapping(name, file);
        } catch (const std::bad_alloc&) {
            deleteMapping(name);
            return raiseError("Out of memory while reading mapping file " + toUtf8(file));
        }
    });
}

FERROLINK_API int DeleteMapping(const wchar_t* mappingName) {
    return runExport("DeleteMapping", Host::Untouched, [&] {
        deleteMapping(std::wstring(argumentText(mappingName)));
        return 1;
    });
}

FERROLINK_API int ResetMappingData(const wchar_t* mappingName, int emptyReferenced, int emptyIndices,
                                   int resetCounters) {
    return runExport(nullptr, Host::Controlled, [&] {
        auto mapping = findMapping(std::wstring(argumentText(mappingName)));
        if (!mapping || !mapping->root) {
            return raiseLogged(Log::FLK, "Cannot find mapping " + toUtf8(argumentText(mappingName)));
        }
        applyResets(*mapping, ResetFlags{emptyReferenced != 0, emptyIndices != 0, resetCounters != 0});
        return 1;
    });
}

}  // extern "C"
