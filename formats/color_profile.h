#pragma once
// Colour management at load time: pictures with an embedded ICC profile are
// converted to sRGB with Little CMS 2, so everything after loading (the
// engine, the writers, the windows) deals in sRGB alone.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/picture.h"

// Profiles above this size are refused without being parsed: real RGB
// profiles are a few kilobytes, large LUT profiles a few hundred.
constexpr uint32_t kMaxProfileBytes = 16u << 20;

// Converts full-colour pixels (ColorValues, 4 bytes each, top byte 0) in
// place from the RGB space the profile icc[0, size) describes to sRGB, and
// keeps the top bytes 0. Intent: the profile's perceptual table when it has
// one (a LUT profile's own gamut mapping), otherwise relative colorimetric
// with black point compensation (matrix-shaper profiles such as Adobe RGB
// or Display P3: colours inside sRGB stay exact, others are clipped, and
// black stays black).
// psSrgb: the profile describes sRGB; pixels untouched, no transform built.
// psConverted: pixels converted.
// psRejected: Little CMS refused the profile, or it is not an RGB input
// profile; pixels untouched.
TPictureRecord::TProfileState ConvertToSrgb(const uint8_t* icc, size_t size,
                                            std::vector<uint8_t>& pixels);
