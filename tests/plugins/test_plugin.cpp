// A tiny configurable image plug-in for the host's tests. Built several
// times with different definitions:
//   TP_VERSION   info-0 text ("00IN", "00AM", ...)
//   TP_MAGIC     four bytes the header must start with to be claimed
//   TP_MARK      red value of every pixel it returns (who decoded)
//   TP_FAIL      claims the file but GetPicture fails
//   TP_NO_INFO   exports no GetPluginInfo
//   TP_ZERO_TAIL also requires header bytes 16..2047 to be zero
//   TP_HOSTILE   byte 4 of the file chooses a broken BITMAPINFO to return
// A picture is 2x2, 24 bits; green is the offset GetPicture was given.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugins/spi.h"

namespace {

bool Claims(const unsigned char* header) {
    if (std::memcmp(header, TP_MAGIC, 4) != 0) return false;
#ifdef TP_ZERO_TAIL
    for (int i = 16; i < 2048; ++i) {
        if (header[i] != 0) return false;
    }
#endif
    return true;
}

void Put32(unsigned char* p, long v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(static_cast<unsigned long>(v) >> (8 * i));
}

// A sound 2x2 24-bit DIB: 40-byte header, rows of 8 bytes (6 + 2 padding).
[[maybe_unused]] void MakeDib(void** info, void** pixels, int green) {
    auto* header = static_cast<unsigned char*>(std::calloc(1, 40));
    auto* rows = static_cast<unsigned char*>(std::calloc(1, 16));
    Put32(header, 40);
    Put32(header + 4, 2);
    Put32(header + 8, 2);
    header[12] = 1;
    header[14] = 24;
    Put32(header + 32, 77);  // a nonsense colours-used the host must clear
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            unsigned char* p = rows + row * 8 + x * 3;
            p[0] = static_cast<unsigned char>(row * 100 + x);  // blue: where the pixel is
            p[1] = static_cast<unsigned char>(green);
            p[2] = TP_MARK;
        }
    }
    *info = header;
    *pixels = rows;
}

#ifdef TP_HOSTILE
// Breaks the sound DIB in the way mode asks.
void Break(char mode, void** info, void** pixels) {
    auto* h = static_cast<unsigned char*>(*info);
    switch (mode) {
        case '0': Put32(h, 0); break;                      // header size 0
        case '1': Put32(h + 4, 0); break;                  // width 0
        case '2': Put32(h + 8, 100000); break;             // rows far past the pixel block
        case '3': h[14] = 7; break;                        // 7 bits per pixel
        case '4': Put32(h + 16, 1); break;                 // RLE8 at 24 bits
        case '5': Put32(h + 4, 100); Put32(h + 8, 100); break;  // pixel block too small
        case '6': h[14] = 8; break;                        // colour table missing from the block
        case '7': h[12] = 2; break;                        // two planes
        case '8': std::free(*pixels); *pixels = nullptr; break;
        case '9': Put32(h + 4, -2); break;                 // negative width
        case 'w': Put32(h + 4, 1 << 20); Put32(h + 8, 1 << 20); break;  // 2^40 pixels
        case 'h': Put32(h, 2000000000); break;             // header size past the block
        default: break;                                    // 'k': left sound
    }
}
#endif

}  // namespace

extern "C" {

#ifndef TP_NO_INFO
SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    static const char* const kTexts[] = {TP_VERSION, "Test plug-in " TP_MAGIC, "*.tst", "Test files"};
    if (infono < 0 || infono > 3 || buflen <= 0) return 0;
    std::snprintf(buf, static_cast<size_t>(buflen), "%s", kTexts[infono]);
    return static_cast<int32_t>(std::strlen(buf));
}
#endif

SPI_EXPORT int32_t IsSupported(const char*, void* dw) {
    return Claims(static_cast<const unsigned char*>(dw)) ? 1 : 0;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** pHBInfo,
                              void** pHBm, SPI_PROGRESS progress, intptr_t lData) {
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    if (flag != 0 || !progress || progress(0, 1, lData) != 0) return SPI_ABORT;
    FILE* file = std::fopen(buf, "rb");
    if (!file) return SPI_FILE_READ_ERROR;
    unsigned char head[8] = {};
    const bool read = std::fseek(file, static_cast<long>(len), SEEK_SET) == 0 &&
                      std::fread(head, 1, sizeof head, file) == sizeof head;
    std::fclose(file);
    if (!read || std::memcmp(head, TP_MAGIC, 4) != 0) return SPI_NOT_SUPPORT;
#ifdef TP_FAIL
    return SPI_OUT_OF_ORDER;
#else
    MakeDib(pHBInfo, pHBm, static_cast<int>(len));
#ifdef TP_HOSTILE
    Break(static_cast<char>(head[4]), pHBInfo, pHBm);
#endif
    return SPI_ALL_RIGHT;
#endif
}

}  // extern "C"
