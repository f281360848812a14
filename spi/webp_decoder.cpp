// WebP through libwebp: lossy and lossless stills decode straight into the
// DIB (flipped to bottom-up rows); animations give their first frame through
// the animation decoder. A picture with alpha comes out as BGRA; an ICCP
// chunk travels as the DIB's embedded profile.
#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

#include "spi/spi_common.h"

namespace {

int32_t DecodeStill(const uint8_t* data, size_t size, const WebPBitstreamFeatures& features,
                    uint64_t maxPixels, TSpiBitmap& out) {
    if (!out.Create(static_cast<uint32_t>(features.width), static_cast<uint32_t>(features.height),
                    maxPixels, features.has_alpha != 0)) {
        return out.CreateFailure();
    }
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return SPI_NO_FUNCTION;
    config.options.flip = 1;  // row 0 of the picture lands in the buffer's last row
    config.output.colorspace = out.HasAlpha() ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.BottomUpPixels();
    config.output.u.RGBA.stride = static_cast<int>(out.Stride());
    config.output.u.RGBA.size = out.Stride() * out.Height();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);  // frees nothing of ours: the memory is external
    if (status == VP8_STATUS_OUT_OF_MEMORY) return SPI_NO_MEMORY;
    return status == VP8_STATUS_OK ? SPI_ALL_RIGHT : SPI_OUT_OF_ORDER;
}

struct TAnimDecoderDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

struct TDemuxDelete {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

// The ICCP chunk, if any; a profile that cannot be embedded is dropped.
void CopyProfile(const uint8_t* data, size_t size, TSpiBitmap& out) {
    const WebPData input{data, size};
    std::unique_ptr<WebPDemuxer, TDemuxDelete> demux(WebPDemux(&input));
    if (!demux || (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) == 0) return;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
        out.SetProfile(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
}

int32_t DecodeFirstFrame(const uint8_t* data, size_t size, bool alpha, uint64_t maxPixels,
                         TSpiBitmap& out) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return SPI_NO_FUNCTION;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData input{data, size};
    std::unique_ptr<WebPAnimDecoder, TAnimDecoderDelete> decoder(WebPAnimDecoderNew(&input, &options));
    if (!decoder) return SPI_OUT_OF_ORDER;
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) return SPI_OUT_OF_ORDER;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp)) return SPI_OUT_OF_ORDER;
    if (!out.Create(info.canvas_width, info.canvas_height, maxPixels, alpha)) return out.CreateFailure();
    const size_t step = alpha ? 4 : 3;
    for (uint32_t y = 0; y < out.Height(); ++y) {
        const uint8_t* bgra = canvas + static_cast<size_t>(y) * info.canvas_width * 4;
        uint8_t* bgr = out.Row(y);
        for (uint32_t x = 0; x < out.Width(); ++x, bgra += 4, bgr += step) {
            bgr[0] = bgra[0];
            bgr[1] = bgra[1];
            bgr[2] = bgra[2];
            if (alpha) bgr[3] = bgra[3];
        }
    }
    return SPI_ALL_RIGHT;
}

}  // namespace

int32_t DecodeWebp(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out) {
    if (size < 12 || !LooksLikeWebp(data)) return SPI_NOT_SUPPORT;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return SPI_OUT_OF_ORDER;
    if (features.width <= 0 || features.height <= 0) return SPI_OUT_OF_ORDER;
    if (uint64_t(features.width) * uint64_t(features.height) > maxPixels) return SPI_TOO_LARGE;
    const int32_t result =
        features.has_animation
            ? DecodeFirstFrame(data, size, features.has_alpha != 0, maxPixels, out)
            : DecodeStill(data, size, features, maxPixels, out);
    if (result == SPI_ALL_RIGHT) CopyProfile(data, size, out);
    return result;
}
