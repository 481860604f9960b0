// Generators of the benchmark's texts, as UTF-8. Deterministic for a given size.
#pragma once

#include <cstddef>
#include <string>

namespace flk::bench {

// English-like prose: words, punctuation and line breaks, all ASCII.
std::string asciiProse(std::size_t bytes);

// Latin-script text (French- and Vietnamese-like words) in which most vowels carry one or two
// accents, all as combining marks in canonical order: the text is in NFD.
std::string decomposedLatin(std::size_t bytes);

// Korean text of precomposed Hangul syllables with blanks and punctuation: the text is in NFC.
std::string koreanText(std::size_t bytes);

}  // namespace flk::bench
