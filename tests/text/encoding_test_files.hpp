// Temporary files and a converted-file runner for the encoding tests.
#pragma once

#include "text/file_conversion.hpp"

#include <string>

namespace flk::test {

// A folder under the system's temporary folder, removed with everything in it at destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string path(const std::string& name) const { return root_ + "/" + name; }

private:
    std::string root_;
};

void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

ucsIO::TextFileName fileName(const std::string& path);

// Sets LC_CTYPE for its lifetime.
class CtypeLocale {
public:
    explicit CtypeLocale(const char* name);
    ~CtypeLocale();

private:
    std::string previous_;
};

// Sets the locale variables LC_ALL, LC_CTYPE and LANG for its lifetime (nullptr: unset).
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* all, const char* ctype, const char* lang);
    ~LocaleEnvironment();

private:
    struct Saved {
        const char* name;
        bool set;
        std::string value;
    };
    Saved saved_[3];
};

}  // namespace flk::test
