#pragma once
// The engine's weighted luma/chroma colour space. Every comparison of colours
// in the engine happens on ColorPoints.

#include <cstdint>

#include "formats/picture.h"

// All three in 1/256 of a colour level: Y 0..65280; U, V about +-32640 for
// unweighted colours, growing with the weights.
struct ColorPoint {
    int32_t U = 0;
    int32_t V = 0;
    int32_t Y = 0;
    friend bool operator==(const ColorPoint&, const ColorPoint&) = default;
};

// 2x2 matrices stored row by row (m00, m01, m10, m11).
struct TColorSpace {
    double ChromaMatrix[4] = {1, 0, 0, 1};
    double InverseChromaMatrix[4] = {1, 0, 0, 1};
};

// Fills both matrices from the job weights (30..130, hundredths).
TColorSpace PrepareColorSpace(int32_t weightBlue, int32_t weightRed, int32_t weightGreen);

ColorPoint ToColorPoint(const TColorSpace& space, ColorValue color);

// Each channel rounded and clamped to 0..255.
ColorValue FromColorPoint(const TColorSpace& space, int32_t u, int32_t v, int32_t y);
