// libFuzzer entry for the BMP readers: the input is tried as a BMP file image
// (DecodeBmp), as a packed DIB (LoadPictureFromDib) and as a DIB whose header
// block and pixel block are apart (DibToBmpImage), the way plug-in output
// arrives. A decoded picture must also survive a write and a second read with
// the same colours. Inputs with V4/V5 headers reach the alpha masks and the
// embedded profiles (offsets and sizes from the input, converted with Little
// CMS when they point inside it).
//
// Build (clang) and run, e.g.:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZINOP_BUILD_FUZZ=ON -DZINOP_SANITIZE=ON \
//       -DZINOP_BUILD_APP=OFF -DZINOP_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
//   cmake --build build-fuzz --target bmp_fuzz
//   mkdir -p corpus && build-fuzz/bin/bmp_fuzz corpus -max_total_time=600 -rss_limit_mb=2560
// (-fsanitize=fuzzer-no-link gives the library coverage feedback.) Any small
// BMP files make good seeds; none are kept in the repository.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/bmp.h"

namespace {

// Headers of any size up to the pixel cap are decoded: a few bytes of RLE
// may rightly claim 2^28 pixels (1 GiB to clear), and a header claiming
// more than its data must fail before allocating, so the fuzzer has to see
// both. Run it with a memory limit above 1 GiB (-rss_limit_mb=2560). Only
// the write-and-read-back check is kept to pictures small enough to repeat
// quickly.
constexpr int64_t kMaxRoundTripPixels = int64_t{1} << 20;

void CheckRoundTrip(const TPictureRecord& decoded) {
    if (static_cast<int64_t>(decoded.Width) * decoded.Height > kMaxRoundTripPixels) return;
    TByteBuffer image;
    WriteBmpImage(decoded, image);
    TPictureRecord again;
    if (DecodeBmp(again, image) != 0) std::abort();
    if (again.Width != decoded.Width || again.Height != decoded.Height ||
        again.Pixels != decoded.Pixels)
        std::abort();
}

void CheckDecoded(const TPictureRecord& record) {
    const size_t expected = static_cast<size_t>(record.Width) * record.Height * 4;
    if (record.Kind != pkFullColour || record.Pixels.size() != expected) std::abort();
    for (size_t i = 3; i < record.Pixels.size(); i += 4)
        if (record.Pixels[i] != 0) std::abort();  // top byte of every colour is zero
    // Alpha, when kept, has one value per pixel and is never all opaque.
    if (!record.Alpha.empty() && record.Alpha.size() != expected / 4) std::abort();
    CheckRoundTrip(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TByteBuffer file;
    file.Data.assign(data, data + size);
    TPictureRecord record;
    if (DecodeBmp(record, file) == 0) CheckDecoded(record);

    TPictureRecord fromDib;
    if (LoadPictureFromDib(fromDib, data, size) == 0) CheckDecoded(fromDib);

    // Header block and pixel block apart: the first byte picks the split.
    if (size > 1) {
        const size_t split = 1 + data[0] * (size - 1) / 256;
        TByteBuffer image;
        if (DibToBmpImage(data + 1, split - 1, data + split, size - split, image)) {
            TPictureRecord splitRecord;
            if (DecodeBmp(splitRecord, image) == 0) CheckDecoded(splitRecord);
        }
    }
    return 0;
}
