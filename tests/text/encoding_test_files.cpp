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

LocaleEnvironment::LocaleEnvironment(const char* all, const char* ctype, const char* lang) {
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    const char* values[] = {all, ctype, lang};
    for (int i = 0; i < 3; ++i) {
        const char* current = std::getenv(names[i]);
        saved_[i] = Saved{names[i], current != nullptr, current ? current : ""};
        if (values[i]) setenv(names[i], values[i], 1);
        else unsetenv(names[i]);
    }
}

LocaleEnvironment::~LocaleEnvironment() {
    for (const Saved& s : saved_) {
        if (s.set) setenv(s.name, s.value.c_str(), 1);
        else unsetenv(s.name);
    }
}

}  // namespace flk::test
