#pragma once
// Working state of one RunJob: what the stages derive at the start and hand
// to each other. Lives from the start of RunJob to its end; nothing of it
// survives into the next run.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/color_space.h"
#include "engine/reduce_job.h"

struct TPaletteEntry {
    ColorValue Color = 0;
    ColorPoint Point;
};

// 16777216 (0x1000000): equal to no ColorValue, so "no transparency".
constexpr uint32_t NoTransColor = 0x1000000;

struct TEngineRun {
    explicit TEngineRun(ReduceJob& job) : Job(job) {}

    ReduceJob& Job;
    TColorSpace ColorSpace;
    int32_t TargetColors = 0;  // colours palette construction must find (may be 0)
    uint32_t TransColor = NoTransColor;
    int32_t SearchCount = 0;  // palette entries the nearest search may return
    // PaletteTable entries 0 .. TargetColors + 16*AddFixed16 - 1 hold the found
    // and fixed colours; entry PaletteSize - 1 the transparent colour if any.
    std::array<TPaletteEntry, 256> PaletteTable{};

    // The current picture (picture 0 .. PictureCount-1 in batch mode).
    const ColorValue* Pixels = nullptr;
    uint8_t* Indexes = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;

    // With transparency from alpha: a copy of each picture with its
    // transparent pixels marked (alpha_transparency.h), read instead of the
    // job's pixels. Empty otherwise.
    std::vector<std::vector<ColorValue>> MarkedPixels;

    bool StopRequested() const { return Job.StopRequested.load(std::memory_order_relaxed); }
    void SetProgress(int value) {
        Job.Progress.store(static_cast<int16_t>(value), std::memory_order_relaxed);
        if (Job.ProgressObserver) Job.ProgressObserver(value);
    }
};
