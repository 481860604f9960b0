// Normalization of the element names of a host set.
#pragma once

namespace flk {

class Normalizer;

// Gives every element of the set whose normalized name differs from its name the normalized
// name, in set order. Every refused read or rename is raised as an error with the host's text;
// the remaining elements are still processed. Returns true when every element was handled.
// Host control must be held.
bool normalizeSetElements(int set, const Normalizer& normalizer);

}  // namespace flk
