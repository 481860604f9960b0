#include "row_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "cell_ref.h"
#include "failure.h"
#include "limits.h"
#include "sheet_writer.h"
#include "string_pool.h"
#include "xml_writer.h"

namespace xlsxbook {
namespace {

constexpr int kRawDeflate = -15;   // no zlib header: a zip entry holds raw deflate data
constexpr int kMemoryLevel = 8;

// Inflates deflated rows between a fixed beginning and end, as one worksheet fragment.
class InflatingSource final : public ByteSource {
 public:
  InflatingSource(std::string head, const Deflated& deflated, std::string tail)
      : head_(std::move(head)), pieces_(deflated.pieces), tail_(std::move(tail)) {
    if (inflateInit2(&z_, kRawDeflate) != Z_OK) throw Failure("cannot start inflating the written rows");
  }
  ~InflatingSource() override { inflateEnd(&z_); }

  std::size_t read(char* buffer, std::size_t n) override {
    if (at_ < head_.size()) return copy(head_, buffer, n, 0);
    for (;;) {
      if (z_.avail_in == 0 && next_ < pieces_.size()) {
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces_[next_].data()));
        z_.avail_in = uInt(pieces_[next_++].size());
      }
      z_.next_out = reinterpret_cast<Bytef*>(buffer);
      z_.avail_out = uInt(std::min<std::size_t>(n, 1 << 30));
      const int status = inflate(&z_, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END)
        throw Failure("cannot inflate the written rows");
      const std::size_t got = std::size_t(reinterpret_cast<char*>(z_.next_out) - buffer);
      if (got > 0) return got;
      // The data ends on a flush point: all of it inflated and nothing more to come is the end.
      if (z_.avail_in == 0 && next_ == pieces_.size()) break;
      if (z_.avail_in != 0) throw Failure("cannot inflate the written rows");
    }
    return copy(tail_, buffer, n, head_.size());
  }

 private:
  std::size_t copy(const std::string& text, char* buffer, std::size_t n, std::size_t before) {
    const std::size_t from = std::min(at_ - before, text.size()), count = std::min(n, text.size() - from);
    std::memcpy(buffer, text.data() + from, count);
    at_ += count;
    return count;
  }

  std::string head_;
  std::vector<std::string_view> pieces_;
  std::string tail_;
  z_stream z_{};
  std::size_t next_ = 0;   // the next piece to inflate
  std::size_t at_ = 0;   // bytes of head_ and tail_ handed out
};

}  // namespace

Deflater::Deflater() : z_(std::make_unique<z_stream>()) {
  std::memset(z_.get(), 0, sizeof(z_stream));
  if (deflateInit2(z_.get(), kDeflateLevel, Z_DEFLATED, kRawDeflate, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Failure("cannot start compressing a worksheet");
}

Deflater::~Deflater() { deflateEnd(z_.get()); }

void Deflater::add(std::string_view text) { run(text, Z_NO_FLUSH); }

void Deflater::flush(bool final) { run({}, final ? Z_FINISH : Z_SYNC_FLUSH); }

Deflated Deflater::result() const {
  Deflated d;
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    d.pieces.emplace_back(blocks_[i].get(), i + 1 < blocks_.size() ? kDeflateBlockBytes : used_);
  d.crc = crc_;
  d.size = size_;
  return d;
}

std::uint64_t Deflated::compressedSize() const {
  std::uint64_t n = 0;
  for (std::string_view piece : pieces) n += piece.size();
  return n;
}

void Deflater::run(std::string_view text, int mode) {
  // crc32 of a null buffer is the initial value, not the CRC so far.
  if (!text.empty()) crc_ = std::uint32_t(crc32(crc_, reinterpret_cast<const Bytef*>(text.data()), uInt(text.size())));
  size_ += text.size();
  if (size_ > kMaxPartBytes)
    throw Failure("a worksheet would have more than the " + std::to_string(kMaxPartBytes) + " bytes a workbook part may have");
  z_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z_->avail_in = uInt(text.size());
  for (;;) {
    if (blocks_.empty() || used_ == kDeflateBlockBytes) {
      blocks_.emplace_back(new char[kDeflateBlockBytes]);
      used_ = 0;
    }
    z_->next_out = reinterpret_cast<Bytef*>(blocks_.back().get() + used_);
    z_->avail_out = uInt(kDeflateBlockBytes - used_);
    const int status = deflate(z_.get(), mode);
    if (status == Z_STREAM_ERROR) throw Failure("cannot compress a worksheet");
    used_ = kDeflateBlockBytes - z_->avail_out;
    if (z_->avail_out != 0 && z_->avail_in == 0) break;
  }
}

void RowStream::open(int row) {
  closeRow();
  openRow_ = row;
}

void RowStream::put(const Cell& cell) {
  if (cell.row() != openRow_) open(cell.row());
  lastRow_ = std::max(lastRow_, cell.row() + 1);
  lastCol_ = std::max(lastCol_, cell.col() + 1);
  const Pending pending{cell, false, 0};
  if (row_.empty() || row_.back().cell.col() < cell.col()) {   // cells mostly come left to right
    row_.push_back(pending);
    return;
  }
  auto at = std::lower_bound(row_.begin(), row_.end(), cell.col(),
                             [](const Pending& p, int col) { return p.cell.col() < col; });
  if (at != row_.end() && at->cell.col() == cell.col()) *at = pending;
  else row_.insert(at, pending);
}

void RowStream::putString(int row, int col, std::uint32_t style, std::string_view text) {
  std::uint32_t index = 0;
  if (shares(col, text, &index)) return put(makeCell(row, col, CellType::String, style, index));
  if (row != openRow_) open(row);
  put(makeCell(row, col, CellType::String, style, rowText_.size()));
  auto at = std::lower_bound(row_.begin(), row_.end(), col, [](const Pending& p, int c) { return p.cell.col() < c; });
  at->isInline = true;
  at->textLength = std::uint32_t(text.size());
  rowText_.append(text);
}

// A column shares its strings until a sample of them shows that most are new.
bool RowStream::shares(int col, std::string_view text, std::uint32_t* index) {
  if (std::size_t(col) >= columns_.size()) columns_.resize(std::size_t(col) + 1);
  ColumnStrings& column = columns_[std::size_t(col)];
  if (column.inlined) return false;
  ++column.seen;
  if (strings_.find(text, index)) return true;
  if (strings_.size() >= kMaxStreamedSharedStrings) return false;
  *index = strings_.intern(text);
  ++column.added;
  if (column.seen % kSharedStringSample == 0 && column.added * 2 > column.seen) column.inlined = true;
  return true;
}

void RowStream::appendOpenRow(std::string* out) const {
  if (row_.empty()) return;
  out->append("<row r=\"");
  appendInt(openRow_ + 1, out);
  out->append("\">");
  for (const Pending& p : row_) {
    if (p.isInline) appendInlineStringCell(p.cell, std::string_view(rowText_).substr(p.cell.value, p.textLength), out);
    else appendCellXml(p.cell, strings_, out);
  }
  out->append("</row>");
}

void RowStream::closeRow() {
  appendOpenRow(&chunk_);
  row_.clear();
  rowText_.clear();
  if (chunk_.size() < kWriteChunkBytes) return;
  deflater_.add(chunk_);
  chunk_.clear();
}

Deflated RowStream::rows() {
  deflater_.add(chunk_);
  chunk_.clear();
  deflater_.flush(false);
  return deflater_.result();
}

std::unique_ptr<ByteSource> RowStream::xml() {
  closeRow();
  return std::make_unique<InflatingSource>("<sheetData>", rows(), "</sheetData>");
}

}  // namespace xlsxbook
