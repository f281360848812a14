#pragma once
// Grouping a colour list into cubes of the engine's colour space, which the
// palette refinement uses to bound its work on pictures with many colours.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/histogram.h"

// The cube of 2^shift units (6 <= shift <= 17; 256 units are one colour
// level) each entry lies in, as cubeOf[i] for entry i. The occupied cubes
// are numbered from 0 in ascending order of their U, then V, then Y, so the
// numbering depends only on the entries; cubeCount is how many there are.
// Linear time.
std::vector<uint32_t> GroupIntoCubes(std::span<const ColorEntry> entries, int shift,
                                     size_t& cubeCount);
