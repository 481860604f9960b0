// The workbook's strings: shared strings, inline strings, formula results and error codes, each
// stored once, NUL-terminated, in blocks that never move.
#ifndef XLSXBOOK_STRING_POOL_H
#define XLSXBOOK_STRING_POOL_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xlsxbook {

class StringPool {
 public:
  // Appends a string and returns its index, even when an equal one is stored already (the order
  // of a loaded shared-strings table must be kept).
  std::uint32_t add(std::string_view text);
  // Returns the index of an equal string added through intern(), or adds it.
  std::uint32_t intern(std::string_view text);
  // The index of an equal string added through intern(); false when there is none.
  bool find(std::string_view text, std::uint32_t* index) const;

  std::size_t size() const { return entries_.size(); }
  // index < size().
  const char* c_str(std::uint32_t index) const { return entries_[index].data(); }
  std::string_view view(std::uint32_t index) const { return entries_[index]; }
  void clear();

 private:
  static constexpr std::size_t kBlockBytes = std::size_t(1) << 20;

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t blockUsed_ = 0;
  std::size_t blockSize_ = 0;
  std::vector<std::string_view> entries_;  // views into blocks_, each followed by a NUL
  std::unordered_map<std::string_view, std::uint32_t> interned_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_STRING_POOL_H
