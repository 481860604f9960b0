#include "FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tablix/Exception.h"

namespace tablix {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ioError(const char* what, const std::string& fileName) {
    throw Exception(std::string("cannot ") + what + " the file " + fileName + ": " + std::strerror(errno));
}

}  // namespace

std::vector<uint8_t> readWholeFile(const std::string& fileName) {
    File f(std::fopen(fileName.c_str(), "rb"));
    if (!f) ioError("open", fileName);
    if (std::fseek(f.get(), 0, SEEK_END) != 0) ioError("read", fileName);
    const long size = std::ftell(f.get());
    if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0) ioError("read", fileName);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) ioError("read", fileName);
    return bytes;
}

void writeWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
    File f(std::fopen(fileName.c_str(), "wb"));
    if (!f) ioError("create", fileName);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) ioError("write", fileName);
    if (std::fflush(f.get()) != 0) ioError("write", fileName);
}

}  // namespace tablix
