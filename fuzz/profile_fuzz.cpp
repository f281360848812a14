// libFuzzer entry for the colour-profile conversion: the input is an ICC
// profile, handed to Little CMS as a picture's embedded profile would be. A
// refused profile must leave the pixels as they were; an accepted one must
// keep every top byte zero. Build as bmp_fuzz.cpp says; seeds: a few .icc
// files (e.g. from icc-profiles-free), none kept in the repository.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/color_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 64; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 4);
        pixels.insert(pixels.end(),
                      {v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 0});
    }
    const std::vector<uint8_t> before = pixels;
    const TPictureRecord::TProfileState state = ConvertToSrgb(data, size, pixels);
    if (state != TPictureRecord::psConverted && pixels != before) std::abort();
    for (size_t i = 3; i < pixels.size(); i += 4)
        if (pixels[i] != 0) std::abort();
    return 0;
}
