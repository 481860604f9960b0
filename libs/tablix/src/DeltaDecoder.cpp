#include "DeltaDecoder.h"

#include <algorithm>
#include <string>

#include "Limits.h"
#include "RleHybrid.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

[[noreturn]] void malformed(const std::string& problem) {
    throw Exception("malformed DELTA_BINARY_PACKED data: " + problem);
}

// Decodes a DELTA_BINARY_PACKED stream into 64-bit values with wrapping arithmetic (32-bit columns
// keep the low half, which is what wrapping in 32 bits gives). `consumed` is the stream's length
// when all its values were decoded, so that data following it can be found.
class DeltaStream {
public:
    DeltaStream(const uint8_t* data, size_t size) : data_(data), size_(size) { readHeader(); }

    uint64_t totalValues() const { return total_; }

    template <class T>
    void decode(size_t count, std::vector<T>& out);
    size_t consumed() const { return pos_; }

private:
    uint64_t varint();
    int64_t zigzag() {
        const uint64_t u = varint();
        return static_cast<int64_t>((u >> 1) ^ (~(u & 1) + 1));
    }
    void readHeader();
    void readBlockHeader();

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint64_t blockSize_ = 0, miniblocks_ = 0, perMiniblock_ = 0, total_ = 0;
    uint64_t last_ = 0;
    uint64_t minDelta_ = 0;
    std::vector<uint8_t> widths_;
    uint64_t miniblock_ = 0, inMiniblock_ = 0;   // position inside the current block
    size_t miniblockStart_ = 0;
};

uint64_t DeltaStream::varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (pos_ >= size_) malformed("the data ends inside a header");
        const uint8_t b = data_[pos_++];
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
    malformed("a variable-length integer is longer than 10 bytes");
}

void DeltaStream::readHeader() {
    blockSize_ = varint();
    miniblocks_ = varint();
    total_ = varint();
    last_ = static_cast<uint64_t>(zigzag());
    if (blockSize_ == 0 || blockSize_ % 128 != 0 || blockSize_ > static_cast<uint64_t>(limits::kMaxDeltaBlockSize))
        malformed("block size " + std::to_string(blockSize_) + " is not a multiple of 128 up to " + std::to_string(limits::kMaxDeltaBlockSize));
    if (miniblocks_ == 0 || miniblocks_ > static_cast<uint64_t>(limits::kMaxDeltaMiniblocks) || blockSize_ % miniblocks_ != 0 ||
        (blockSize_ / miniblocks_) % 32 != 0)
        malformed(std::to_string(miniblocks_) + " miniblocks do not divide a block of " + std::to_string(blockSize_) + " into multiples of 32");
    perMiniblock_ = blockSize_ / miniblocks_;
    widths_.resize(miniblocks_);
    miniblock_ = miniblocks_;   // forces a block header before the first delta
}

void DeltaStream::readBlockHeader() {
    minDelta_ = static_cast<uint64_t>(zigzag());
    if (size_ - pos_ < miniblocks_) malformed("the miniblock bit widths are cut off");
    for (uint64_t i = 0; i < miniblocks_; ++i) {
        widths_[i] = data_[pos_ + i];
        if (widths_[i] > 64) malformed("a miniblock bit width of " + std::to_string(widths_[i]));
    }
    pos_ += miniblocks_;
    miniblock_ = 0;
    inMiniblock_ = 0;
    miniblockStart_ = pos_;
}

template <class T>
void DeltaStream::decode(size_t count, std::vector<T>& out) {
    if (count > total_) malformed("it holds " + std::to_string(total_) + " values, the page needs " + std::to_string(count));
    if (count == 0) return;
    out.reserve(out.size() + count);
    out.push_back(static_cast<T>(last_));
    for (size_t i = 1; i < count; ++i) {
        if (inMiniblock_ == perMiniblock_ || miniblock_ == miniblocks_) {
            if (miniblock_ < miniblocks_) ++miniblock_;
            inMiniblock_ = 0;
            if (miniblock_ == miniblocks_) readBlockHeader();
            miniblockStart_ = pos_;
            const uint64_t bytes = perMiniblock_ * widths_[miniblock_] / 8;
            if (size_ - pos_ < bytes) malformed("a miniblock of " + std::to_string(bytes) + " bytes is cut off");
            pos_ += bytes;
        }
        const int width = widths_[miniblock_];
        const uint64_t delta = readBits(data_ + miniblockStart_, pos_ - miniblockStart_, inMiniblock_ * width, width);
        ++inMiniblock_;
        last_ += minDelta_ + delta;
        out.push_back(static_cast<T>(last_));
    }
}

// Decodes the lengths of a byte-array encoding; they are the page's values, so the stream must
// hold exactly `count` of them, and what follows it is the byte data.
size_t decodeLengths(const uint8_t* data, size_t size, size_t count, std::vector<int32_t>& out) {
    DeltaStream lengths(data, size);
    if (lengths.totalValues() != count)
        malformed("it holds " + std::to_string(lengths.totalValues()) + " lengths, the page has " + std::to_string(count) + " values");
    lengths.decode(count, out);
    for (int32_t n : out)
        if (n < 0) malformed("a byte array length of " + std::to_string(n));
    return lengths.consumed();
}

}  // namespace

void decodeDeltaInt32(const uint8_t* data, size_t size, size_t count, std::vector<int32_t>& out) {
    DeltaStream(data, size).decode(count, out);
}

void decodeDeltaInt64(const uint8_t* data, size_t size, size_t count, std::vector<int64_t>& out) {
    DeltaStream(data, size).decode(count, out);
}

void decodeDeltaLengthByteArray(const uint8_t* data, size_t size, size_t count, Lanes& out) {
    std::vector<int32_t> lengths;
    size_t pos = decodeLengths(data, size, count, lengths);
    out.bytes.reserve(out.bytes.size() + count);
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<size_t>(lengths[i]) > size - pos) malformed("byte array " + std::to_string(i) + " runs past the end of the page");
        out.bytes.emplace_back(reinterpret_cast<const char*>(data + pos), lengths[i]);
        pos += lengths[i];
    }
}

void decodeDeltaByteArray(const uint8_t* data, size_t size, size_t count, Lanes& out) {
    std::vector<int32_t> all;
    const size_t at = decodeLengths(data, size, count, all);
    Lanes suffixes;
    decodeDeltaLengthByteArray(data + at, size - at, count, suffixes);
    // Shared prefixes expand a page as a codec would; the same ratio bounds them.
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i) total += static_cast<uint64_t>(all[i]) + suffixes.bytes[i].size();
    const uint64_t bound = std::max<uint64_t>(limits::kSmallPageBytes, uint64_t{size} * limits::kMaxCompressionRatio);
    if (total > bound)
        throw Exception("DELTA_BYTE_ARRAY strings add up to " + std::to_string(total) + " bytes, more than a page of " +
                        std::to_string(size) + " bytes may hold (" + std::to_string(bound) + ")");
    std::string& owned = out.owned;
    owned.clear();
    owned.reserve(total);
    std::vector<size_t> ends;
    size_t previousStart = 0, previousLength = 0;
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<size_t>(all[i]) > previousLength)
            malformed("prefix length " + std::to_string(all[i]) + " of value " + std::to_string(i) + " exceeds the previous value's " + std::to_string(previousLength) + " bytes");
        const size_t start = owned.size();
        owned.append(owned, previousStart, static_cast<size_t>(all[i]));
        owned.append(suffixes.bytes[i].data(), suffixes.bytes[i].size());
        previousStart = start;
        previousLength = owned.size() - start;
        ends.push_back(owned.size());
    }
    size_t start = 0;
    for (size_t end : ends) {
        out.bytes.emplace_back(owned.data() + start, end - start);
        start = end;
    }
}

}  // namespace tablix
