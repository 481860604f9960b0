#include "string_pool.h"

#include <cstring>
#include <stdexcept>

namespace xlsxbook {

std::uint32_t StringPool::add(std::string_view text) {
  if (entries_.size() >= UINT32_MAX) throw std::length_error("too many distinct strings in the workbook");
  const std::size_t need = text.size() + 1;
  if (blocks_.empty() || blockSize_ - blockUsed_ < need) {
    blockSize_ = need > kBlockBytes ? need : kBlockBytes;
    blocks_.emplace_back(new char[blockSize_]);
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  at[text.size()] = '\0';
  blockUsed_ += need;
  entries_.emplace_back(at, text.size());
  return std::uint32_t(entries_.size() - 1);
}

std::uint32_t StringPool::intern(std::string_view text) {
  auto found = interned_.find(text);
  if (found != interned_.end()) return found->second;
  const std::uint32_t index = add(text);
  interned_.emplace(entries_[index], index);
  return index;
}

bool StringPool::find(std::string_view text, std::uint32_t* index) const {
  auto found = interned_.find(text);
  if (found == interned_.end()) return false;
  *index = found->second;
  return true;
}

void StringPool::clear() {
  blocks_.clear();
  blockUsed_ = blockSize_ = 0;
  entries_.clear();
  interned_.clear();
}

}  // namespace xlsxbook
