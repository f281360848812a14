// libFuzzer entry for the decoding path of the bundled WebP plug-in.
#include <cstddef>
#include <cstdint>

#include "spi/spi_common.h"

namespace {
// Small enough that a forged size cannot exhaust the fuzzer's memory limit.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {

    TSpiBitmap bitmap;
    if (DecodeWebp(data, size, kFuzzMaxPixels, bitmap) == SPI_ALL_RIGHT) {
        // A success must have produced a picture whose every row is writable.
        volatile uint8_t sink = 0;
        for (uint32_t y = 0; y < bitmap.Height(); ++y) sink = sink + bitmap.Row(y)[(bitmap.HasAlpha() ? 4 : 3) * bitmap.Width() - 1];
        (void)sink;
        if (bitmap.Width() == 0) __builtin_trap();
    }
    return 0;
}
