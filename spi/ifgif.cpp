// The bundled Gif plug-in: the three exports of the .spi interface.
#include "spi/spi_common.h"

namespace {
const char* const kTexts[] = {
    "00IN",
    "Zinop GIF plug-in 1.0 (giflib)",
    "*.gif",
    "GIF files",
};
}  // namespace

extern "C" {

SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return SpiPluginInfo(kTexts, 4, infono, buf, buflen);
}

SPI_EXPORT int32_t IsSupported(const char*, void* dw) {
    return dw && LooksLikeGif(static_cast<const uint8_t*>(dw)) ? 1 : 0;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** pHBInfo,
                              void** pHBm, SPI_PROGRESS progress, intptr_t lData) {
    return SpiGetPicture(&DecodeGif, buf, len, flag, pHBInfo, pHBm, progress, lData);
}

}  // extern "C"
