#include "zip_writer.h"

#include <zip.h>
#include <zlib.h>

#include <cstring>
#include <exception>

#include "failure.h"
#include "limits.h"
#include "output_buffer.h"
#include "row_stream.h"

namespace xlsxbook {
namespace {

// Parts carry a fixed time stamp so that the same workbook always gives the same bytes.
constexpr time_t kPartTime = 315532800 + 86400;  // 1980-01-02, the zip format's earliest dates

}  // namespace

// The libzip source behind a generated part. Exceptions must not cross libzip's C frames, so a
// failure is kept and reported after zip_close.
struct ZipWriter::Streamed {
  PartGenerator* generator = nullptr;
  std::uint64_t size = 0;      // measured before compression
  std::uint64_t produced = 0;  // while compressing
  std::string chunk;
  std::size_t offset = 0;
  bool done = false;
  std::string failure;
  zip_error_t error;

  static zip_int64_t callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<Streamed*>(user);
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_READ:
        return self->read(static_cast<char*>(data), len);
      case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->mtime = kPartTime;
        st->size = self->size;
        st->valid |= ZIP_STAT_MTIME | ZIP_STAT_SIZE;
        return sizeof(*st);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->error, data, len);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
      default:
        zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t read(char* data, zip_uint64_t len) {
    try {
      std::size_t written = 0;
      while (written < len) {
        if (offset == chunk.size()) {
          if (done) break;
          chunk.clear();
          offset = 0;
          done = !generator->next(&chunk);
          continue;
        }
        const std::size_t n = std::min<std::size_t>(len - written, chunk.size() - offset);
        std::memcpy(data + written, chunk.data() + offset, n);
        offset += n;
        written += n;
      }
      produced += written;
      if (produced > size || (written == 0 && produced != size))
        throw Failure("a part changed its size between measuring and compressing it");
      return zip_int64_t(written);
    } catch (const std::exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "unknown error";
    }
    zip_error_set(&error, ZIP_ER_INTERNAL, 0);
    return -1;
  }
};

// The libzip source behind a part deflated already: libzip copies data whose method is the entry's
// as it is, given its sizes and CRC.
struct ZipWriter::Segments {
  std::vector<std::string_view> pieces;
  std::uint64_t size = 0, compressed = 0;
  std::uint32_t crc = 0;
  std::size_t segment = 0, offset = 0;
  zip_error_t error;

  static zip_int64_t callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<Segments*>(user);
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
        self->segment = self->offset = 0;
        return 0;
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_READ:
        return self->read(static_cast<char*>(data), len);
      case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->mtime = kPartTime;
        st->size = self->size;
        st->comp_size = self->compressed;
        st->crc = self->crc;
        st->comp_method = ZIP_CM_DEFLATE;
        st->valid |= ZIP_STAT_MTIME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
        return sizeof(*st);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->error, data, len);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
      default:
        zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t read(char* data, zip_uint64_t len) {
    zip_uint64_t written = 0;
    while (written < len && segment < pieces.size()) {
      const std::string_view from = pieces[segment];
      const std::size_t n = std::min<std::size_t>(len - written, from.size() - offset);
      std::memcpy(data + written, from.data() + offset, n);
      written += n;
      offset += n;
      if (offset == from.size()) ++segment, offset = 0;
    }
    return zip_int64_t(written);
  }
};

// The libzip source the archive is written to: the caller's buffer, without a copy of its own.
struct ZipWriter::Target {
  OutputBuffer* out;
  std::size_t readAt = 0, writeAt = 0;
  zip_error_t error;

  static zip_int64_t callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<Target*>(user);
    try {
      return self->run(data, len, cmd);
    } catch (const std::bad_alloc&) {
      zip_error_set(&self->error, ZIP_ER_MEMORY, 0);
      return -1;
    }
  }

  zip_int64_t run(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
        readAt = 0;
        return 0;
      case ZIP_SOURCE_READ: {
        const std::size_t n = std::min<std::size_t>(len, out->size() - readAt);
        std::memcpy(data, out->data() + readAt, n);
        readAt += n;
        return zip_int64_t(n);
      }
      case ZIP_SOURCE_SEEK:
        return seek(data, len, &readAt);
      case ZIP_SOURCE_TELL:
        return zip_int64_t(readAt);
      case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = out->size();
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
      }
      case ZIP_SOURCE_BEGIN_WRITE:
      case ZIP_SOURCE_ROLLBACK_WRITE:
      case ZIP_SOURCE_REMOVE:
        out->clear();
        writeAt = 0;
        return 0;
      case ZIP_SOURCE_WRITE:
        out->write(writeAt, data, std::size_t(len));
        writeAt += std::size_t(len);
        return zip_int64_t(len);
      case ZIP_SOURCE_SEEK_WRITE:
        return seek(data, len, &writeAt);
      case ZIP_SOURCE_TELL_WRITE:
        return zip_int64_t(writeAt);
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_COMMIT_WRITE:
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error, data, len);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
            ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_REMOVE,
            ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_WRITE, -1);
      default:
        zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t seek(void* data, zip_uint64_t len, std::size_t* at) {
    const zip_int64_t to = zip_source_seek_compute_offset(*at, out->size(), data, len, &error);
    if (to < 0) return -1;
    *at = std::size_t(to);
    return 0;
  }
};

ZipWriter::ZipWriter(OutputBuffer* out) : target_(std::make_unique<Target>()) {
  target_->out = out;
  out->clear();
  zip_error_init(&target_->error);
  zip_error_t error;
  zip_error_init(&error);
  zip_source* source = zip_source_function_create(&Target::callback, target_.get(), &error);
  if (source) archive_ = zip_open_from_source(source, ZIP_TRUNCATE, &error);
  if (!archive_) {
    const std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (source) zip_source_free(source);
    throw Failure("cannot create the zip archive: " + why);
  }
  zip_error_fini(&error);
}

ZipWriter::~ZipWriter() {
  if (archive_) zip_discard(archive_);
  zip_error_fini(&target_->error);
  for (auto& s : streamed_) zip_error_fini(&s->error);
  for (auto& s : deflated_) zip_error_fini(&s->error);
}

void ZipWriter::add(const std::string& name, zip_source* source) {
  if (!source) throw Failure("cannot create the zip entry " + name + ": " + zip_strerror(archive_));
  const zip_int64_t index = zip_file_add(archive_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    zip_source_free(source);
    throw Failure("cannot add " + name + " to the zip archive: " + zip_strerror(archive_));
  }
  if (zip_set_file_compression(archive_, zip_uint64_t(index), ZIP_CM_DEFLATE, kDeflateLevel) != 0 ||
      zip_file_set_mtime(archive_, zip_uint64_t(index), kPartTime, 0) != 0)
    throw Failure("cannot set the compression of " + name + ": " + zip_strerror(archive_));
}

void ZipWriter::addPart(const std::string& name, std::string content) {
  contents_.push_back(std::make_unique<std::string>(std::move(content)));
  const std::string& data = *contents_.back();
  add(name, zip_source_buffer(archive_, data.data(), data.size(), 0));
}

void ZipWriter::addPart(const std::string& name, PartGenerator* generator) {
  streamed_.push_back(std::make_unique<Streamed>());
  Streamed* s = streamed_.back().get();
  s->generator = generator;
  zip_error_init(&s->error);
  std::string piece;
  for (bool more = true; more;) {
    piece.clear();
    more = generator->next(&piece);
    s->size += piece.size();
  }
  if (s->size > kMaxPartBytes)
    throw Failure("part " + name + " would have " + std::to_string(s->size) + " bytes, more than the " +
                  std::to_string(kMaxPartBytes) + " a workbook part may have");
  generator->rewind();
  add(name, zip_source_function(archive_, &Streamed::callback, s));
}

void ZipWriter::addPart(const std::string& name, const std::vector<Deflated>& segments) {
  deflated_.push_back(std::make_unique<Segments>());
  Segments* s = deflated_.back().get();
  zip_error_init(&s->error);
  for (const Deflated& d : segments) {
    s->pieces.insert(s->pieces.end(), d.pieces.begin(), d.pieces.end());
    s->crc = std::uint32_t(crc32_combine(s->crc, d.crc, z_off_t(d.size)));
    s->size += d.size;
    s->compressed += d.compressedSize();
  }
  if (s->size > kMaxPartBytes)
    throw Failure("part " + name + " would have " + std::to_string(s->size) + " bytes, more than the " +
                  std::to_string(kMaxPartBytes) + " a workbook part may have");
  add(name, zip_source_function(archive_, &Segments::callback, s));
}

void ZipWriter::finish() {
  const int closed = zip_close(archive_);
  if (closed == 0) archive_ = nullptr;
  for (const auto& s : streamed_)
    if (!s->failure.empty()) throw Failure("cannot write the workbook: " + s->failure);
  if (closed != 0) throw Failure(std::string("cannot write the zip archive: ") + zip_strerror(archive_));
}

}  // namespace xlsxbook
