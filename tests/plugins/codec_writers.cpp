#include "codec_writers.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

using TFile = std::unique_ptr<FILE, int (*)(FILE*)>;

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool PngStages(png_structp png, png_infop info, FILE* file, const TPngPicture& picture,
               png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.Width, picture.Height, picture.BitDepth, picture.ColorType,
                 picture.Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!picture.Palette.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(picture.Palette.data()),
                     static_cast<int>(picture.Palette.size() / 3));
    }
    if (!picture.Trans.empty()) {
        png_set_tRNS(png, info, picture.Trans.data(), static_cast<int>(picture.Trans.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePngFile(const std::string& path, const TPngPicture& picture) {
    TFile file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const size_t rowBytes = picture.Rows.size() / static_cast<size_t>(picture.Height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.Height; ++y) {
        rows.push_back(const_cast<png_bytep>(picture.Rows.data()) + y * rowBytes);
    }
    const bool ok = info && PngStages(png, info, file.get(), picture, rows.data());
    png_destroy_write_struct(&png, &info);
    return ok;
}

namespace {

struct TJpegWriteError {
    jpeg_error_mgr Manager;
    jmp_buf Jump;
};

[[noreturn]] void JpegWriteJump(j_common_ptr info) {
    longjmp(reinterpret_cast<TJpegWriteError*>(info->err)->Jump, 1);
}

bool JpegStages(jpeg_compress_struct& info, TJpegWriteError& error, FILE* file, int width,
                int height, const uint8_t* samples, TJpegKind kind, int quality) {
    if (setjmp(error.Jump)) return false;
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    const bool cmyk = kind == TJpegKind::AdobeCmyk || kind == TJpegKind::AdobeYcck;
    info.input_components = kind == TJpegKind::Grey ? 1 : cmyk ? 4 : 3;
    info.in_color_space = kind == TJpegKind::Grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (kind == TJpegKind::AdobeYcck) jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, quality, TRUE);
    if (kind == TJpegKind::Progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

bool WriteJpegFile(const std::string& path, int width, int height, const std::vector<uint8_t>& samples,
                   TJpegKind kind, int quality) {
    TFile file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    jpeg_compress_struct info{};
    TJpegWriteError error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = &JpegWriteJump;
    const bool ok = JpegStages(info, error, file.get(), width, height, samples.data(), kind, quality);
    jpeg_destroy_compress(&info);
    return ok;
}

namespace {

struct TGifWriterClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

bool PutGifFrame(GifFileType* gif, const TGifFrame& frame) {
    if (frame.TransparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = frame.TransparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_ERROR) {
            return false;
        }
    }
    if (EGifPutImageDesc(gif, frame.Left, frame.Top, frame.Width, frame.Height, frame.Interlace,
                         nullptr) == GIF_ERROR) {
        return false;
    }
    // giflib writes rows as given: an interlaced frame takes them pass by pass.
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int y = start; y < frame.Height; y += step) {
            auto* row = const_cast<GifPixelType*>(frame.Indexes.data() + static_cast<size_t>(y) * frame.Width);
            if (EGifPutLine(gif, row, frame.Width) == GIF_ERROR) return false;
        }
    }
    return true;
}

}  // namespace

bool WriteGifFile(const std::string& path, int screenWidth, int screenHeight,
                  const std::vector<uint8_t>& palette, int background,
                  const std::vector<TGifFrame>& frames) {
    int error = 0;
    std::unique_ptr<GifFileType, TGifWriterClose> gif(EGifOpenFileName(path.c_str(), false, &error));
    if (!gif) return false;
    std::vector<GifColorType> colors(palette.size() / 3);
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = GifColorType{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
    if (!map) return false;
    EGifSetGifVersion(gif.get(), true);
    const bool screen = EGifPutScreenDesc(gif.get(), screenWidth, screenHeight, 8, background, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!screen) return false;
    for (const TGifFrame& frame : frames) {
        if (!PutGifFrame(gif.get(), frame)) return false;
    }
    return true;
}

namespace {

bool PutTiffPage(TIFF* tiff, const TTiffPage& page) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.Width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.Height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.SamplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.BitsPerSample);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.Photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.Compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2);
    if (page.UnassociatedAlpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (!page.ColorMap.empty()) {
        const size_t n = page.ColorMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, page.ColorMap.data(), page.ColorMap.data() + n,
                     page.ColorMap.data() + 2 * n);
    }
    const size_t rowBytes = page.Rows.size() / static_cast<size_t>(page.Height);
    for (int y = 0; y < page.Height; ++y) {
        auto* row = const_cast<uint8_t*>(page.Rows.data() + static_cast<size_t>(y) * rowBytes);
        if (TIFFWriteScanline(tiff, row, static_cast<uint32_t>(y), 0) < 0) return false;
    }
    return TIFFWriteDirectory(tiff) != 0;
}

}  // namespace

bool WriteTiffFile(const std::string& path, const std::vector<TTiffPage>& pages) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    bool ok = true;
    for (const TTiffPage& page : pages) ok = ok && PutTiffPage(tiff, page);
    TIFFClose(tiff);
    return ok;
}

bool WriteWebpFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                   bool lossless, float quality) {
    uint8_t* output = nullptr;
    const size_t size = lossless
                            ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &output)
                            : WebPEncodeRGBA(rgba.data(), width, height, width * 4, quality, &output);
    const bool ok = size > 0 && WriteBytes(path, output, size);
    WebPFree(output);
    return ok;
}

bool WriteAnimatedWebpFile(const std::string& path, int width, int height,
                           const std::vector<std::vector<uint8_t>>& rgbaFrames) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) return false;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    if (!encoder) return false;
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    bool ok = true;
    int timestamp = 0;
    for (const auto& frame : rgbaFrames) {
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.width = width;
        picture.height = height;
        picture.use_argb = 1;
        ok = ok && WebPPictureImportRGBA(&picture, frame.data(), width * 4) &&
             WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += 100;
    }
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    ok = ok && WebPAnimEncoderAssemble(encoder, &data) && WriteBytes(path, data.bytes, data.size);
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return ok;
}
