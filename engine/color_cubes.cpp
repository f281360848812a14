#include "engine/color_cubes.h"

#include <algorithm>

namespace {

// Sorts keys (cube << 24 | index, in ascending index) by their cube of
// `cubeBits` bits, least significant digit first: every pass is stable, so
// equal cubes keep ascending indices, as a full sort of the keys would.
void SortByCube(std::vector<uint64_t>& keys, int cubeBits) {
    constexpr int DigitBits = 11;
    constexpr size_t Digits = size_t{1} << DigitBits;
    std::vector<uint64_t> other(keys.size());
    std::vector<size_t> start(Digits + 1);
    for (int low = 24; low < 24 + cubeBits; low += DigitBits) {
        const auto digitOf = [low](uint64_t key) { return size_t(key >> low) & (Digits - 1); };
        std::fill(start.begin(), start.end(), 0);
        for (uint64_t key : keys) ++start[digitOf(key) + 1];
        for (size_t d = 0; d < Digits; ++d) start[d + 1] += start[d];
        for (uint64_t key : keys) other[start[digitOf(key)]++] = key;
        keys.swap(other);
    }
}

}  // namespace

std::vector<uint32_t> GroupIntoCubes(std::span<const ColorEntry> entries, int shift,
                                     size_t& cubeCount) {
    // Coordinates lie within +-2^17, so with shift >= 6 each cube index
    // takes at most 13 bits, and the three beside the entry's index (fewer
    // than 2^24 distinct colours) fit one 64-bit word.
    const int bits = 19 - shift;
    auto part = [shift](int32_t c) { return uint64_t((c + (1 << 17)) >> shift); };
    std::vector<uint64_t> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ColorEntry& e = entries[i];
        const uint64_t cube = part(e.U) << (2 * bits) | part(e.V) << bits | part(e.Y);
        keys[i] = cube << 24 | i;
    }
    SortByCube(keys, 3 * bits);
    constexpr uint64_t IndexMask = (uint64_t{1} << 24) - 1;
    std::vector<uint32_t> cubeOf(entries.size());
    cubeCount = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0 && keys[i] >> 24 != keys[i - 1] >> 24) ++cubeCount;
        cubeOf[keys[i] & IndexMask] = uint32_t(cubeCount);
    }
    if (!keys.empty()) ++cubeCount;
    return cubeOf;
}
