#pragma once
// The image plug-in interface, for authors of "*.spi" plug-ins on Linux.
//
// A plug-in is an ELF shared object whose file name ends in ".spi" and which
// exports the three functions below with C linkage and the platform's
// default calling convention. The host loads it with dlopen(RTLD_NOW |
// RTLD_LOCAL), so it must carry its own dependencies.
//
// GetPluginInfo(infono, buf, buflen): writes a zero-terminated text, cut to
//   buflen bytes, and returns the number of characters written (0 when infono
//   is beyond the plug-in's last text):
//     0      the interface version, four characters such as "00IN"; characters
//            3 and 4 "IN" mark an image import plug-in;
//     1      the plug-in's name and version;
//     2n+2   a file pattern of format n, such as "*.png;*.apng";
//     2n+3   the name of format n.
//
// IsSupported(filename, dw): dw is the address of a header buffer holding the
//   first bytes of the file (the rest zero), at least 2048 bytes readable from
//   dw. Non-zero when the plug-in reads this file.
//
// GetPicture(buf, len, flag, pHBInfo, pHBm, progress, lData): with
//   (flag & 7) == 0, reads the file named buf starting len bytes into it.
//   On success (result 0) *pHBInfo holds a BITMAPINFO block (40-byte
//   information header, then the colour table) and *pHBm the pixel rows of a
//   bottom-up device-independent bitmap, rows padded to 4 bytes. Both blocks
//   are allocated with malloc by the plug-in and freed with free by the host.
//   On failure both handles are left null. progress may be null; when it
//   answers non-zero the plug-in stops and returns SPI_ABORT.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define SPI_EXPORT __declspec(dllexport)
#else
#define SPI_EXPORT __attribute__((visibility("default")))
#endif

// Results of GetPicture.
enum {
    SPI_ALL_RIGHT = 0,
    SPI_ABORT = 1,        // cancelled by the progress callback
    SPI_NOT_SUPPORT = 2,  // unknown format
    SPI_OUT_OF_ORDER = 3, // broken data
    SPI_NO_MEMORY = 4,
    SPI_FILE_READ_ERROR = 6,
    SPI_NO_FUNCTION = -1, // not implemented
    // Zinop's own addition: the picture is larger than the host's pixel cap
    // (2^28 pixels); a plug-in may answer SPI_NO_MEMORY instead.
    SPI_TOO_LARGE = 9,
};

typedef int32_t (*SPI_PROGRESS)(int32_t num, int32_t denom, intptr_t data);

typedef int32_t (*SPI_GetPluginInfo)(int32_t infono, char* buf, int32_t buflen);
typedef int32_t (*SPI_IsSupported)(const char* filename, void* dw);
typedef int32_t (*SPI_GetPicture)(const char* buf, intptr_t len, uint32_t flag, void** pHBInfo,
                                  void** pHBm, SPI_PROGRESS progress, intptr_t lData);

SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen);
SPI_EXPORT int32_t IsSupported(const char* filename, void* dw);  // dw: the 2048-byte header buffer
SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** pHBInfo,
                              void** pHBm, SPI_PROGRESS progress, intptr_t lData);

#ifdef __cplusplus
}
#endif
