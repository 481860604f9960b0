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

}  // namespace flk::test
