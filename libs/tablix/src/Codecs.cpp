#include "Codecs.h"

#include <brotli/decode.h>
#include <brotli/encode.h>
#include <lz4.h>
#include <lz4frame.h>
#include <snappy.h>
#include <zlib.h>
#include <zstd.h>

#include <string>

#include "Metadata.h"
#include "tablix/Exception.h"

namespace tablix {

namespace {

constexpr int kZstdLevel = 1;
constexpr int kBrotliQuality = 4;
constexpr int kGzipWindowBitsAuto = 15 + 32;   // zlib or gzip header
constexpr int kGzipWindowBitsWrite = 15 + 16;  // gzip header

[[noreturn]] void corrupt(int32_t codec, const std::string& detail) {
    throw Exception(std::string(meta::codecName(codec)) + " page data is corrupt: " + detail);
}

void wrongSize(int32_t codec, size_t got, size_t expected) {
    corrupt(codec, "it decompresses to " + std::to_string(got) + " bytes, the page header declares " + std::to_string(expected));
}

// Inflates one or more concatenated gzip (or zlib) members.
void inflateAll(const uint8_t* in, size_t size, uint8_t* out, size_t expected) {
    z_stream z{};
    if (inflateInit2(&z, kGzipWindowBitsAuto) != Z_OK) throw Exception("cannot initialise the GZIP decoder");
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(expected);
    int rc = inflate(&z, Z_FINISH);
    while (rc == Z_STREAM_END && z.avail_in > 0) {   // another member follows
        inflateReset(&z);
        rc = inflate(&z, Z_FINISH);
    }
    const size_t produced = expected - z.avail_out;
    const std::string message = z.msg ? z.msg : "";
    inflateEnd(&z);
    if (rc == Z_BUF_ERROR && z.avail_out == 0) corrupt(meta::Gzip, "it decompresses to more bytes than the page header declares (" + std::to_string(expected) + ")");
    if (rc != Z_STREAM_END) corrupt(meta::Gzip, message.empty() ? "inflate returned " + std::to_string(rc) : message);
    if (produced != expected) wrongSize(meta::Gzip, produced, expected);
}

uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// The framing of the Hadoop codec: blocks of [decompressed size][compressed size][LZ4 block], big-endian.
bool tryHadoopLz4(const uint8_t* in, size_t size, uint8_t* out, size_t expected) {
    size_t produced = 0;
    while (size > 0) {
        if (size < 8) return false;
        const uint32_t blockOut = readBigEndian32(in), blockIn = readBigEndian32(in + 4);
        in += 8;
        size -= 8;
        if (blockIn > size || blockOut > expected - produced) return false;
        const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out + produced),
                                          static_cast<int>(blockIn), static_cast<int>(blockOut));
        if (n < 0 || static_cast<uint32_t>(n) != blockOut) return false;
        produced += blockOut;
        in += blockIn;
        size -= blockIn;
    }
    return produced == expected;
}

bool tryLz4Frame(const uint8_t* in, size_t size, uint8_t* out, size_t expected) {
    LZ4F_dctx* ctx = nullptr;
    if (LZ4F_isError(LZ4F_createDecompressionContext(&ctx, LZ4F_VERSION))) return false;
    size_t produced = 0, consumed = 0;
    bool ok = true;
    while (consumed < size) {
        size_t outSize = expected - produced, inSize = size - consumed;
        const size_t rc = LZ4F_decompress(ctx, out + produced, &outSize, in + consumed, &inSize, nullptr);
        if (LZ4F_isError(rc) || (inSize == 0 && outSize == 0)) { ok = false; break; }
        produced += outSize;
        consumed += inSize;
        if (rc == 0) break;
    }
    LZ4F_freeDecompressionContext(ctx);
    return ok && consumed == size && produced == expected;
}

void decompressLz4Legacy(const uint8_t* in, size_t size, uint8_t* out, size_t expected) {
    if (tryHadoopLz4(in, size, out, expected) || tryLz4Frame(in, size, out, expected)) return;
    const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out),
                                      static_cast<int>(size), static_cast<int>(expected));
    if (n < 0 || static_cast<size_t>(n) != expected) corrupt(meta::Lz4, "it is neither a Hadoop-framed, an LZ4 frame nor a raw LZ4 block");
}

void compressGzip(const uint8_t* in, size_t size, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBitsWrite, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw Exception("cannot initialise the GZIP encoder");
    out.resize(deflateBound(&z, size) + 32);
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw Exception("GZIP compression failed");
}

void compressBrotli(const uint8_t* in, size_t size, std::vector<uint8_t>& out) {
    size_t n = BrotliEncoderMaxCompressedSize(size);
    out.resize(n == 0 ? size + 1024 : n);
    n = out.size();
    if (!BrotliEncoderCompress(kBrotliQuality, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, size, in, &n, out.data()))
        throw Exception("BROTLI compression failed");
    out.resize(n);
}

}  // namespace

void decompress(int32_t codec, const uint8_t* in, size_t size, uint8_t* out, size_t expected) {
    switch (codec) {
    case meta::Uncompressed:
        if (size != expected) wrongSize(codec, size, expected);
        if (size > 0) std::copy(in, in + size, out);
        return;
    case meta::Snappy: {
        size_t n = 0;
        const char* src = reinterpret_cast<const char*>(in);
        if (!snappy::GetUncompressedLength(src, size, &n)) corrupt(codec, "no valid length prefix");
        if (n != expected) wrongSize(codec, n, expected);
        if (!snappy::RawUncompress(src, size, reinterpret_cast<char*>(out))) corrupt(codec, "invalid data");
        return;
    }
    case meta::Gzip: inflateAll(in, size, out, expected); return;
    case meta::Zstd: {
        const size_t n = ZSTD_decompress(out, expected, in, size);
        if (ZSTD_isError(n)) corrupt(codec, ZSTD_getErrorName(n));
        if (n != expected) wrongSize(codec, n, expected);
        return;
    }
    case meta::Brotli: {
        size_t n = expected;
        if (BrotliDecoderDecompress(size, in, &n, out) != BROTLI_DECODER_RESULT_SUCCESS) corrupt(codec, "invalid data or wrong size");
        if (n != expected) wrongSize(codec, n, expected);
        return;
    }
    case meta::Lz4Raw: {
        const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out),
                                          static_cast<int>(size), static_cast<int>(expected));
        if (n < 0) corrupt(codec, "invalid block");
        if (static_cast<size_t>(n) != expected) wrongSize(codec, n, expected);
        return;
    }
    case meta::Lz4: decompressLz4Legacy(in, size, out, expected); return;
    default:
        throw Exception(std::string("the compression codec ") + meta::codecName(codec) + " (" + std::to_string(codec) + ") is not supported");
    }
}

void compress(int32_t codec, const uint8_t* in, size_t size, std::vector<uint8_t>& out) {
    switch (codec) {
    case meta::Uncompressed: out.assign(in, in + size); return;
    case meta::Snappy: {
        out.resize(snappy::MaxCompressedLength(size));
        size_t n = 0;
        snappy::RawCompress(reinterpret_cast<const char*>(in), size, reinterpret_cast<char*>(out.data()), &n);
        out.resize(n);
        return;
    }
    case meta::Gzip: compressGzip(in, size, out); return;
    case meta::Zstd: {
        out.resize(ZSTD_compressBound(size));
        const size_t n = ZSTD_compress(out.data(), out.size(), in, size, kZstdLevel);
        if (ZSTD_isError(n)) throw Exception(std::string("ZSTD compression failed: ") + ZSTD_getErrorName(n));
        out.resize(n);
        return;
    }
    case meta::Lz4Raw: {
        out.resize(LZ4_compressBound(static_cast<int>(size)));
        const int n = LZ4_compress_default(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out.data()),
                                           static_cast<int>(size), static_cast<int>(out.size()));
        if (n <= 0 && size > 0) throw Exception("LZ4 compression failed");
        out.resize(n);
        return;
    }
    case meta::Brotli: compressBrotli(in, size, out); return;
    default: throw Exception(std::string("the writer does not support the codec ") + meta::codecName(codec));
    }
}

}  // namespace tablix
