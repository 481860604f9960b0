#include "encoding_test_files.hpp"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace flk::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "flk-encoding-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    root_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ucsIO::TextFileName fileName(const std::string& path) { return {std::wstring(path.begin(), path.end()), path}; }

CtypeLocale::CtypeLocale(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
    std::setlocale(LC_CTYPE, name);
}

CtypeLocale::~CtypeLocale() { std::setlocale(LC_CTYPE, previous_.c_str()); }

}  // namespace flk::test
