// Builds a zip archive in memory through libzip. Large parts are generated while they are being
// compressed, so their uncompressed XML never exists in memory as a whole.
#ifndef XLSXBOOK_ZIP_WRITER_H
#define XLSXBOOK_ZIP_WRITER_H

#include <memory>
#include <string>
#include <vector>

struct zip;
struct zip_source;

namespace xlsxbook {

struct Deflated;
class OutputBuffer;

// Produces a part piece by piece, as often as asked.
class PartGenerator {
 public:
  virtual ~PartGenerator() = default;
  // Appends the next piece to chunk (which is empty on entry); false when the part is complete.
  virtual bool next(std::string* chunk) = 0;
  // Starts the part again from its beginning.
  virtual void rewind() = 0;
};

class ZipWriter {
 public:
  // The archive is written into out, which must outlive the writer.
  explicit ZipWriter(OutputBuffer* out);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  void addPart(const std::string& name, std::string content);
  // The generator must live until finish() returns. It runs twice: once to measure the part, since
  // libzip marks entries of unknown size as Zip64, which some spreadsheet programs refuse.
  void addPart(const std::string& name, PartGenerator* generator);
  // A part deflated already, as segments that together form one deflate stream; the data they
  // point to must live until finish() returns.
  void addPart(const std::string& name, const std::vector<Deflated>& segments);
  // Compresses every part into the archive. Throws Failure.
  void finish();

 private:
  struct Streamed;
  struct Segments;
  struct Target;
  void add(const std::string& name, zip_source* source);

  std::unique_ptr<Target> target_;
  zip* archive_ = nullptr;
  std::vector<std::unique_ptr<std::string>> contents_;
  std::vector<std::unique_ptr<Streamed>> streamed_;
  std::vector<std::unique_ptr<Segments>> deflated_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_ZIP_WRITER_H
