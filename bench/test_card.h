#pragma once
// A deterministic, photo-like test card at any size: sky with clouds over
// foliage, a shaded face-like ellipse in skin tones, a colour wheel, colour
// bars with sharp edges, grey and primary ramps, and a little grain so that
// the picture has the many distinct colours of a real photograph. The same
// size always gives the same pixels, so benchmarks and the bundled sample
// agree (samples/test-card.bmp is MakeTestCard(320, 240)).

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "formats/picture.h"

namespace test_card {

struct TRgb {
    double R, G, B;  // 0..1
};

inline TRgb Mix(TRgb a, TRgb b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

inline double SmoothStep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Grain in -1..1 from the pixel position alone (integer hash).
inline double Grain(uint32_t x, uint32_t y) {
    uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<double>(h & 0xFFFF) / 32767.5 - 1.0;
}

inline TRgb HueColor(double hue) {  // hue 0..1, full saturation and value
    const double h = hue * 6.0;
    const double f = h - std::floor(h);
    switch (static_cast<int>(h) % 6) {
        case 0: return {1, f, 0};
        case 1: return {1 - f, 1, 0};
        case 2: return {0, 1, f};
        case 3: return {0, 1 - f, 1};
        case 4: return {f, 0, 1};
        default: return {1, 0, 1 - f};
    }
}

// Scene coordinates: y from 0 (top) to 1, x from 0 to width/height.
inline TRgb Landscape(double x, double y) {
    if (y < 0.5) {
        const double t = y / 0.5;
        const TRgb sky = Mix({0.16, 0.34, 0.78}, {0.70, 0.84, 0.96}, t);
        const double cloud = 0.5 + 0.25 * std::sin(x * 9.0 + std::sin(y * 14.0) * 2.0) +
                             0.25 * std::sin(x * 23.0 - y * 31.0 + std::sin(x * 5.0));
        return Mix(sky, {0.97, 0.97, 0.98}, SmoothStep(0.62, 0.95, cloud) * 0.85);
    }
    const double t = (y - 0.5) / 0.5;
    const double leaves = std::sin(x * 61.0 + std::sin(y * 47.0) * 3.0) * std::sin(y * 83.0 + x * 11.0);
    const TRgb grass = Mix({0.32, 0.52, 0.20}, {0.20, 0.33, 0.12}, t);
    return Mix(grass, {0.45, 0.36, 0.22}, SmoothStep(-0.2, 0.9, leaves) * 0.6);
}

// The face: a shaded ellipse lit from the upper left, with warm cheeks.
inline bool Face(double x, double y, TRgb& color) {
    const double dx = (x - 0.38) / 0.20, dy = (y - 0.58) / 0.27;
    const double d2 = dx * dx + dy * dy;
    if (d2 > 1.0) {
        return false;
    }
    const double dz = std::sqrt(1.0 - d2);
    const double light = std::clamp(-0.45 * dx - 0.35 * dy + 0.82 * dz, 0.0, 1.0);
    const TRgb skin = Mix({0.45, 0.27, 0.20}, {0.98, 0.80, 0.68}, 0.25 + 0.75 * light);
    const double cheek = std::exp(-((std::fabs(dx) - 0.5) * (std::fabs(dx) - 0.5) +
                                    (dy - 0.25) * (dy - 0.25)) * 18.0);
    color = Mix(skin, {0.90, 0.45, 0.42}, 0.45 * cheek);
    return true;
}

// The colour wheel: hue by angle, saturation by radius, a dark rim.
inline bool Wheel(double x, double y, double right, TRgb& color) {
    const double cx = right - 0.30, cy = 0.40, radius = 0.24;
    const double dx = x - cx, dy = y - cy;
    const double r = std::sqrt(dx * dx + dy * dy) / radius;
    if (r > 1.0) {
        return false;
    }
    if (r > 0.96) {
        color = {0.08, 0.08, 0.08};
        return true;
    }
    const double hue = (std::atan2(dy, dx) + M_PI) / (2.0 * M_PI);
    color = Mix({1, 1, 1}, HueColor(hue), r / 0.96);
    return true;
}

// Bottom strip: eight colour bars, then a grey ramp and stepped primaries.
inline bool Bars(double x, double y, double right, TRgb& color) {
    if (y < 0.86) {
        return false;
    }
    static const TRgb kBars[8] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                                  {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    const double u = x / right;
    if (y < 0.93) {
        color = kBars[std::min(7, static_cast<int>(u * 8.0))];
        return true;
    }
    const double step = std::floor(u * 32.0) / 31.0;
    if (u < 0.5) {
        const double grey = u * 2.0;
        color = {grey, grey, grey};
    } else if (y < 0.955) {
        color = {step, 0, 0};
    } else if (y < 0.98) {
        color = {0, step, 0};
    } else {
        color = {0, 0, step};
    }
    return true;
}

}  // namespace test_card

inline TPictureRecord MakeTestCard(int width, int height) {
    using namespace test_card;
    TPictureRecord record;
    record.Kind = pkFullColour;
    record.Width = width;
    record.Height = height;
    record.Pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    ColorValue* out = record.ColorPixels();
    const double right = static_cast<double>(width) / height;
    for (int py = 0; py < height; ++py) {
        const double y = (py + 0.5) / height;
        for (int px = 0; px < width; ++px) {
            const double x = (px + 0.5) / height;
            TRgb c;
            const bool flat = Bars(x, y, right, c);
            if (!flat && !Wheel(x, y, right, c) && !Face(x, y, c)) {
                c = Landscape(x, y);
            }
            const double grain = flat ? 0.0 : Grain(px, py) * (3.0 / 255.0);
            auto level = [grain](double v) {
                return static_cast<int>(std::clamp(v + grain, 0.0, 1.0) * 255.0 + 0.5);
            };
            *out++ = MakeColor(level(c.R), level(c.G), level(c.B));
        }
    }
    return record;
}
