#include "zip_reader.h"

#include <zip.h>

#include <cstring>

#include "failure.h"
#include "limits.h"

namespace xlsxbook {
namespace {

const unsigned char kOle2Magic[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::string describeStart(const unsigned char* bytes, std::size_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex, text;
  for (std::size_t i = 0; i < size && i < 8; ++i) {
    if (i) hex += ' ';
    hex += kHex[bytes[i] >> 4];
    hex += kHex[bytes[i] & 15];
    text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '.';
  }
  return hex + " (\"" + text + "\")";
}

void sniff(const unsigned char* bytes, std::size_t size) {
  if (size == 0) throw Failure("the data is empty; expected an .xlsx workbook (a zip archive)");
  if (size >= sizeof kOle2Magic && std::memcmp(bytes, kOle2Magic, sizeof kOle2Magic) == 0)
    throw Failure("the data is an OLE2 compound document (a legacy .xls workbook or an encrypted "
                  "workbook), not an .xlsx zip archive");
  if (size < 4 || bytes[0] != 'P' || bytes[1] != 'K')
    throw Failure("the data is not a zip archive: it starts with bytes " + describeStart(bytes, size) +
                  " where an .xlsx workbook starts with 50 4B (\"PK\")");
}

// Part names compare without regard to ASCII case and to a leading slash.
std::string partKey(std::string_view name) {
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return key;
}

}  // namespace

ZipReader::ZipReader(const void* data, std::size_t size) {
  sniff(static_cast<const unsigned char*>(data), size);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  if (source) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (!archive_) {
    std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (source) zip_source_free(source);
    throw Failure("the zip archive cannot be opened (truncated or damaged?): " + why);
  }
  zip_error_fini(&error);
  const zip_int64_t n = zip_get_num_entries(archive_, 0);
  entries_ = n > 0 ? std::uint64_t(n) : 0;
  if (entries_ > kMaxZipEntries) {
    zip_discard(archive_);
    throw Failure("the zip archive has " + std::to_string(entries_) + " entries, more than the " +
                  std::to_string(kMaxZipEntries) + " a workbook may have");
  }
  for (std::uint64_t i = 0; i < entries_; ++i)
    if (const char* entry = zip_get_name(archive_, i, ZIP_FL_ENC_RAW)) index_.emplace(partKey(entry), i);
}

ZipReader::~ZipReader() {
  if (archive_) zip_discard(archive_);
}

std::string ZipReader::entryName(std::uint64_t index) const {
  const char* name = zip_get_name(archive_, index, ZIP_FL_ENC_GUESS);
  return name ? name : "";
}

bool ZipReader::find(std::string_view name, std::uint64_t* index) const {
  const auto found = index_.find(partKey(name));
  if (found == index_.end()) return false;
  *index = found->second;
  return true;
}

std::uint64_t ZipReader::admit(std::uint64_t index, const std::string& name) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
      !(st.valid & ZIP_STAT_COMP_SIZE))
    throw Failure("the zip directory entry of " + name + " cannot be read");
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
    throw Failure("part " + name + " is encrypted");
  if (st.size > kMaxPartBytes)
    throw Failure("part " + name + " declares " + std::to_string(st.size) +
                  " bytes uncompressed, more than the limit of " + std::to_string(kMaxPartBytes));
  if (st.size > kRatioFreeBytes && st.size / (st.comp_size ? st.comp_size : 1) > kMaxExpansionRatio)
    throw Failure("part " + name + " would expand from " + std::to_string(st.comp_size) + " to " +
                  std::to_string(st.size) + " bytes, more than " + std::to_string(kMaxExpansionRatio) +
                  " times: refusing a likely zip bomb");
  budget_ += st.size;
  if (budget_ > kMaxTotalBytes)
    throw Failure("the workbook's parts add up to more than " + std::to_string(kMaxTotalBytes) +
                  " bytes uncompressed");
  return st.size;
}

std::string ZipReader::readAll(std::uint64_t index, std::size_t limit) {
  PartStream stream(this, index, entryName(index));
  std::string out;
  char buffer[65536];
  for (std::size_t n; (n = stream.read(buffer, sizeof buffer)) > 0;) {
    if (out.size() + n > limit)
      throw Failure("part " + stream.name() + " is larger than the " + std::to_string(limit) +
                    " bytes allowed for it");
    out.append(buffer, n);
  }
  return out;
}

PartStream::PartStream(ZipReader* zip, std::uint64_t index, const std::string& name) : name_(name) {
  declared_ = zip->admit(index, name);
  file_ = zip_fopen_index(zip->archive_, index, 0);
  if (!file_)
    throw Failure("part " + name + " cannot be opened: " + zip_strerror(zip->archive_));
}

PartStream::~PartStream() {
  if (file_) zip_fclose(file_);
}

std::size_t PartStream::read(char* buffer, std::size_t n) {
  // One byte beyond the declared size is asked for so that a part which lies about its size is
  // caught instead of being inflated without end.
  const std::uint64_t room = declared_ - produced_ + 1;
  const zip_int64_t got = zip_fread(file_, buffer, n < room ? n : room);
  if (got < 0)
    throw Failure("part " + name_ + " cannot be decompressed (damaged archive?): " +
                  zip_file_strerror(file_));
  produced_ += std::uint64_t(got);
  if (produced_ > declared_)
    throw Failure("part " + name_ + " decompresses to more than the " + std::to_string(declared_) +
                  " bytes its directory entry declares: refusing a likely zip bomb");
  return std::size_t(got);
}

}  // namespace xlsxbook
