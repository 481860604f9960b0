#include "RleHybrid.h"

#include <string>

#include "tablix/Exception.h"

namespace tablix {

namespace {
constexpr uint64_t kMaxPackedGroupsPerRun = uint64_t{1} << 56;
constexpr uint64_t kMaxLiteralGroupsPerHeader = 63;   // a one-byte header holds (63 << 1) | 1
}  // namespace

int bitWidthOf(uint64_t maxValue) {
    int w = 0;
    while (maxValue > 0) {
        ++w;
        maxValue >>= 1;
    }
    return w;
}

RleDecoder::RleDecoder(const uint8_t* data, size_t size, int bitWidth, const char* what)
    : data_(data), size_(size), bitWidth_(bitWidth), what_(what) {
    if (bitWidth < 0 || bitWidth > 32) throw Exception(std::string(what) + ": bit width " + std::to_string(bitWidth) + " is outside 0..32");
}

uint64_t RleDecoder::readVarint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (pos_ >= size_) throw Exception(std::string(what_) + ": the run header is cut off");
        const uint8_t b = data_[pos_++];
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
    throw Exception(std::string(what_) + ": a run header is longer than 10 bytes");
}

bool RleDecoder::nextRun() {
    if (pos_ >= size_) return false;
    const uint64_t header = readVarint();
    if (header & 1) {
        const uint64_t groups = header >> 1;
        if (groups == 0 || groups > kMaxPackedGroupsPerRun) throw Exception(std::string(what_) + ": a bit-packed run of " + std::to_string(groups) + " groups");
        const uint64_t available = bitWidth_ == 0 ? groups * 8 : (static_cast<uint64_t>(size_ - pos_) * 8) / bitWidth_;
        packed_ = true;
        remaining_ = std::min(groups * 8, available);   // the last run may be cut short at the end of the data
        packedBit_ = static_cast<uint64_t>(pos_) * 8;
        const uint64_t bytes = std::min<uint64_t>((groups * 8 * bitWidth_ + 7) / 8, size_ - pos_);
        pos_ += bytes;
    } else {
        const size_t width = (bitWidth_ + 7) / 8;
        if (size_ - pos_ < width) throw Exception(std::string(what_) + ": an RLE run's value is cut off");
        uint32_t v = 0;
        for (size_t i = 0; i < width; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
        pos_ += width;
        if (bitWidth_ < 32 && (v >> bitWidth_) != 0)
            throw Exception(std::string(what_) + ": an RLE run repeats " + std::to_string(v) + ", wider than " + std::to_string(bitWidth_) + " bits");
        packed_ = false;
        remaining_ = header >> 1;
        repeated_ = v;
    }
    return true;
}

template <class T>
void RleDecoder::decode(T* out, size_t count) {
    while (count > 0) {
        while (remaining_ == 0) {
            if (!nextRun()) throw Exception(std::string(what_) + ": the data ends " + std::to_string(count) + " values early");
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(remaining_, count));
        if (packed_) {
            for (size_t i = 0; i < n; ++i, packedBit_ += bitWidth_) out[i] = static_cast<T>(readBits(data_, size_, packedBit_, bitWidth_));
        } else {
            std::fill(out, out + n, static_cast<T>(repeated_));
        }
        out += n;
        count -= n;
        remaining_ -= n;
    }
}

template void RleDecoder::decode<uint8_t>(uint8_t*, size_t);
template void RleDecoder::decode<uint32_t>(uint32_t*, size_t);
template void RleDecoder::decode<int32_t>(int32_t*, size_t);

void RleEncoder::writeVarint(uint64_t v) {
    while (v >= 0x80) {
        out_.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out_.push_back(static_cast<uint8_t>(v));
}

void RleEncoder::put(uint32_t value) {
    if (runLength_ > 0 && value == runValue_) {
        ++runLength_;
        return;
    }
    flushRepeated();
    runValue_ = value;
    runLength_ = 1;
}

void RleEncoder::putRun(uint32_t value, uint64_t count) {
    if (count == 0) return;
    if (runLength_ == 0 || value != runValue_) {
        flushRepeated();
        runValue_ = value;
    }
    runLength_ += count;
}

// A finished run of equal values goes out as an RLE run when, after some of its values complete
// the pending literals' last group of eight, eight or more are left; otherwise its values join the
// literals, which go out a full header's worth at a time (a header per group would cost a byte per
// eight values).
void RleEncoder::flushRepeated() {
    if (runLength_ == 0) return;
    const uint64_t fill = (8 - literals_.size() % 8) % 8;
    if (runLength_ >= fill + 8) {
        literals_.insert(literals_.end(), fill, runValue_);
        flushLiterals(true);
        writeVarint((runLength_ - fill) << 1);
        for (int i = 0; i < (bitWidth_ + 7) / 8; ++i) out_.push_back(static_cast<uint8_t>(runValue_ >> (8 * i)));
    } else {
        if (runLength_ == 1) literals_.push_back(runValue_);
        else literals_.resize(literals_.size() + runLength_, runValue_);
        if (literals_.size() >= kMaxLiteralGroupsPerHeader * 8) flushLiterals(false);
    }
    runLength_ = 0;
}

// Writes whole groups of eight literals (all of them, zero-padded, when `final`).
void RleEncoder::flushLiterals(bool final) {
    size_t count = final ? (literals_.size() + 7) / 8 * 8 : literals_.size() / 8 * 8;
    if (count == 0) return;
    literals_.resize(std::max(literals_.size(), count), 0);
    for (size_t start = 0; start < count;) {
        const uint64_t groups = std::min<uint64_t>((count - start) / 8, kMaxLiteralGroupsPerHeader);
        writeVarint((groups << 1) | 1);
        uint64_t acc = 0;
        int bits = 0;
        for (size_t i = start; i < start + groups * 8; ++i) {
            acc |= static_cast<uint64_t>(literals_[i]) << bits;
            bits += bitWidth_;
            while (bits >= 8) {
                out_.push_back(static_cast<uint8_t>(acc));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0) out_.push_back(static_cast<uint8_t>(acc));
        start += groups * 8;
    }
    literals_.erase(literals_.begin(), literals_.begin() + count);
}

void RleEncoder::flush() {
    flushRepeated();
    flushLiterals(true);
}

}  // namespace tablix
