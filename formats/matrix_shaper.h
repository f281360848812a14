#pragma once
// The fast path of profile conversion: an RGB matrix-shaper profile (Adobe
// RGB, Display P3, most camera and phone profiles) to sRGB, relative
// colorimetric, as three input curves, one 3x3 matrix and the sRGB output
// curve in tables. Little CMS's general 8-bit pipeline spends four times as
// long on a 12-megapixel photo; the results agree with it within one level.

#include <lcms2.h>

#include <array>
#include <cstddef>
#include <cstdint>

struct TMatrixShaper {
    static constexpr int kOutSteps = 16383;  // linear-light steps of the output table
    std::array<std::array<float, 256>, 3> In{};  // linear light of each channel value
    float Matrix[3][3] = {};                     // profile RGB to linear sRGB
    std::array<uint8_t, kOutSteps + 1> Out{};    // linear light to sRGB value
};

// Fills shaper for profile (converted into srgb's space, both from the
// same context). False when the profile is no matrix shaper, or its black
// is not at 0 (black point compensation would then move it), or anything
// is missing: the caller then uses Little CMS's own transform.
bool MakeMatrixShaper(cmsHPROFILE profile, cmsHPROFILE srgb, TMatrixShaper& shaper);

// Converts count ColorValues (4 bytes each, top byte untouched) in place.
void ApplyMatrixShaper(const TMatrixShaper& shaper, uint8_t* pixels, size_t count);
