#pragma once
// Cached nearest-colour search over PaletteTable entries 0 .. SearchCount-1.
// The colour space is cut into 40x40x40 cells of 2048 units; each touched
// cell gets, once per run, the list of the only entries that can be nearest
// to any point in it.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/engine_run.h"

class TNearestCache {
public:
    // Empties every cell list and binds the cache to a palette; the palette
    // must not change while the cache is in use.
    void Reset(const TPaletteEntry* palette, int32_t searchCount);
    // The lowest-numbered entry at the least squared distance from (u, v, y).
    int FindNearest(int32_t u, int32_t v, int32_t y);
    // Releases every cell list.
    void Release();

private:
    void BuildCellList(int cell);
    // (implementation-defined storage)
};
