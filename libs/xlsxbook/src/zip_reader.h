// The zip container of a workbook, read from memory through libzip with every size from the
// central directory checked and decompression bounded.
#ifndef XLSXBOOK_ZIP_READER_H
#define XLSXBOOK_ZIP_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "byte_source.h"

struct zip;
struct zip_file;

namespace xlsxbook {

class ZipReader;

// A part being decompressed. Reading past the size the directory declares fails.
class PartStream final : public ByteSource {
 public:
  PartStream(ZipReader* zip, std::uint64_t index, const std::string& name);
  ~PartStream() override;
  PartStream(const PartStream&) = delete;
  PartStream& operator=(const PartStream&) = delete;

  // Fills up to n bytes; 0 at the end of the part.
  std::size_t read(char* buffer, std::size_t n) override;
  const std::string& name() const { return name_; }
  std::uint64_t declaredSize() const { return declared_; }

 private:
  zip_file* file_ = nullptr;
  std::string name_;
  std::uint64_t declared_ = 0;
  std::uint64_t produced_ = 0;
};

class ZipReader {
 public:
  // Throws Failure naming what the data is when it is not a zip archive.
  ZipReader(const void* data, std::size_t size);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Finds a part by its name (no leading slash); names compare without regard to ASCII case, as
  // package part names do. False when there is none.
  bool find(std::string_view name, std::uint64_t* index) const;
  // The whole part, at most `limit` bytes.
  std::string readAll(std::uint64_t index, std::size_t limit);
  std::string entryName(std::uint64_t index) const;

 private:
  friend class PartStream;
  // Checks the declared sizes and counts them against the package's budget.
  std::uint64_t admit(std::uint64_t index, const std::string& name);

  zip* archive_ = nullptr;
  std::uint64_t entries_ = 0;
  std::unordered_map<std::string, std::uint64_t> index_;  // by partKey(); the first of equal names
  std::uint64_t budget_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_ZIP_READER_H
