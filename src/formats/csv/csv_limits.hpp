// Limits and fixed choices of CSV tables, in one place.
#pragma once

#include <cstddef>
#include <string_view>

namespace flk {

// The first bytes of an input from which its delimiter and header row are guessed.
constexpr size_t kCsvSampleBytes = 65536;
// Input is taken and parsed in blocks of this size, so a read holds one block at a time.
constexpr size_t kCsvBlockBytes = 65536;
// A line (the bytes between two line ends, quoted or not) of this many bytes or more fails the read.
constexpr size_t kCsvMaxLineBytes = 65536;
// A row's bytes, which quoted line ends can spread over many lines, are held whole until the row
// ends: beyond this size the read fails, so that an input of any size is read in bounded memory.
constexpr size_t kCsvMaxRowBytes = size_t(1) << 23;
// The delimiters the guess chooses from; on equal scores the earlier one wins.
constexpr std::string_view kCsvDelimiters = ",|\t;^~";
// The lines a quoted field may span in the guess: one that spans more is taken for a stray quote,
// and its first line set aside, so that it cannot take the rest of the sample with it.
constexpr size_t kCsvGuessMaxQuotedLines = 100;
// Written text is handed to the output in pieces of about this size.
constexpr size_t kCsvWriteChunk = 65536;

}  // namespace flk
