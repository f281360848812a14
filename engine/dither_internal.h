#pragma once
// Shared by the mapping modes (dither*.cpp); not part of the engine's API.

#include <cstdint>
#include <vector>

#include "engine/color_space.h"
#include "engine/dither.h"
#include "engine/engine_run.h"
#include "engine/nearest.h"

namespace dither_detail {

// What every mode reads while mapping one picture.
struct TMapContext {
    TEngineRun& Run;
    const PaletteGeometry& Geometry;
    TNearestCache& Cache;
    uint32_t TransColor;
    uint8_t TransIndex;
    int32_t Depth;  // 0..100
};

// A direct-mapped memo keyed by colour: neighbouring pixels of real
// pictures often repeat a colour, and a hit skips the conversion's
// rounding (and in mode none the search too). A hit returns exactly what
// computing afresh returns.
template <class T>
class TColourMemo {
  public:
    TColourMemo() : slots_(SlotCount) {}

    // The remembered value of `colour`, or compute(colour) remembered.
    template <class Compute>
    T Get(ColorValue colour, Compute&& compute) {
        TSlot& slot = slots_[(colour * 2654435761u) >> (32 - SlotBits)];
        if (slot.Colour != colour) {
            slot.Colour = colour;
            slot.Value = compute(colour);
        }
        return slot.Value;
    }

  private:
    static constexpr int SlotBits = 14;
    static constexpr int SlotCount = 1 << SlotBits;
    struct TSlot {
        uint32_t Colour = 0xFFFFFFFFu;  // top byte set: no ColorValue, so empty
        T Value{};
    };
    std::vector<TSlot> slots_;
};

// ToColorPoint through a memo.
class TPointConverter {
  public:
    explicit TPointConverter(const TColorSpace& space) : space_(space) {}

    ColorPoint operator()(ColorValue colour) {
        return memo_.Get(colour, [this](ColorValue c) { return ToColorPoint(space_, c); });
    }

  private:
    const TColorSpace& space_;
    TColourMemo<ColorPoint> memo_;
};

inline int32_t Clamp(int64_t value, int32_t limit) {
    return static_cast<int32_t>(value < -limit ? -limit : value > limit ? limit : value);
}

// After mapping row `row`: poll the stop request, then write the progress.
// False when stopped.
inline bool FinishRow(TEngineRun& run, int32_t row) {
    if (run.StopRequested()) return false;
    run.SetProgress(static_cast<int>(800 + 200 * int64_t{row} / run.Height));
    return true;
}

bool MapNone(const TMapContext& context);
bool MapPeanos(const TMapContext& context);
bool MapDiffuseFS(const TMapContext& context);
bool MapMaem(const TMapContext& context);
bool MapAnime(const TMapContext& context);

}  // namespace dither_detail
