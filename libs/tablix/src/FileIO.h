// Whole-file reads and writes with messages that name the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tablix {

std::vector<uint8_t> readWholeFile(const std::string& fileName);
void writeWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes);

}  // namespace tablix
