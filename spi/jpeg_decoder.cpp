// JPEG through libjpeg-turbo: baseline and progressive, grey, colour, and
// CMYK/YCCK converted to RGB here. libjpeg's default error_exit ends the
// process, so ours jumps back instead; the jump lands in one small function
// with no C++ object alive across it.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include "spi/spi_common.h"

namespace {

// Progressive files may hold any number of scans, each a full pass over the
// picture; a normal file has about ten.
constexpr int kMaxScans = 500;

struct TJpegError {
    jpeg_error_mgr Manager;
    jmp_buf Jump;
};

struct TJpegState {
    jpeg_decompress_struct Info;
    TJpegError Error;
    jpeg_progress_mgr Progress;
};

[[noreturn]] void ErrorJump(j_common_ptr info) {
    longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}
void IgnoreMessage(j_common_ptr) {}

// Warnings are ignored, except those for compressed data that ends early:
// the file ends (JWRN_JPEG_EOF), or a marker such as the end of the image
// comes while rows are still missing (JWRN_HIT_MARKER, a frame header that
// claims more rows than the data holds). libjpeg would fill the rest grey;
// such a file is broken, like a truncated PNG.
void FailOnEarlyEnd(j_common_ptr info, int level) {
    if (level < 0 &&
        (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER)) {
        ErrorJump(info);
    }
}

void LimitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) ErrorJump(info);
}

uint8_t Scale255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// Adobe writes CMYK inverted (0 = full ink); others write plain ink values.
void PutCmykRow(const uint8_t* cmyk, uint8_t* bgr, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgr[0] = Scale255(y, k);
        bgr[1] = Scale255(m, k);
        bgr[2] = Scale255(c, k);
    }
}

void PutGreyRow(const uint8_t* grey, uint8_t* bgr, unsigned width) {
    for (unsigned x = 0; x < width; ++x, bgr += 3) bgr[0] = bgr[1] = bgr[2] = grey[x];
}

// Chooses the output colour space: grey and CMYK are converted here, every
// other space libjpeg turns into BGR itself.
void ChooseOutput(j_decompress_ptr info) {
    switch (info->jpeg_color_space) {
        case JCS_GRAYSCALE:
            info->out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            info->out_color_space = JCS_CMYK;
            break;
        default:
            info->out_color_space = JCS_EXT_BGR;
            break;
    }
}

void ReadRows(j_decompress_ptr info, TSpiBitmap& out, JSAMPARRAY scratch) {
    while (info->output_scanline < info->output_height) {
        const JDIMENSION y = info->output_scanline;
        if (info->out_color_space == JCS_EXT_BGR) {
            JSAMPROW row = out.Row(y);
            jpeg_read_scanlines(info, &row, 1);
        } else if (jpeg_read_scanlines(info, scratch, 1) == 1) {
            if (info->out_color_space == JCS_GRAYSCALE) {
                PutGreyRow(scratch[0], out.Row(y), info->output_width);
            } else {
                PutCmykRow(scratch[0], out.Row(y), info->output_width, info->saw_Adobe_marker);
            }
        }
    }
}

// An RGB picture's ICC profile (APP2) and the JFIF density travel in the
// DIB; grey and CMYK profiles describe what this decoder already turned
// into plain RGB, so they are dropped.
void CopyMarkers(j_decompress_ptr info, TSpiBitmap& out) {
    JOCTET* profile = nullptr;
    unsigned int profileSize = 0;
    if (info->out_color_space == JCS_EXT_BGR && jpeg_read_icc_profile(info, &profile, &profileSize))
        out.SetProfile(profile, profileSize);
    std::free(profile);
    if (!info->saw_JFIF_marker || info->X_density == 0 || info->Y_density == 0) return;
    if (info->density_unit == 1)  // dots per inch
        out.SetResolution((info->X_density * 5000u + 63) / 127,  // 0.0254 m per inch
                          (info->Y_density * 5000u + 63) / 127);
    else if (info->density_unit == 2)  // dots per centimetre
        out.SetResolution(info->X_density * 100u, info->Y_density * 100u);
}

int32_t DecodeStages(TJpegState& state, const uint8_t* data, size_t size, uint64_t maxPixels,
                     TSpiBitmap& out) {
    j_decompress_ptr info = &state.Info;
    if (setjmp(state.Error.Jump)) return SPI_OUT_OF_ORDER;
    jpeg_create_decompress(info);
    state.Progress.progress_monitor = &LimitScans;
    info->progress = &state.Progress;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(info, JPEG_APP0 + 2, 0xFFFF);  // ICC profile chunks
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return SPI_OUT_OF_ORDER;
    if (uint64_t{info->image_width} * info->image_height > maxPixels) return SPI_TOO_LARGE;
    ChooseOutput(info);
    jpeg_start_decompress(info);
    if (!out.Create(info->output_width, info->output_height, maxPixels)) return out.CreateFailure();
    CopyMarkers(info, out);
    JSAMPARRAY scratch = (*info->mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
        info->output_width * static_cast<JDIMENSION>(info->output_components), 1);
    ReadRows(info, out, scratch);
    return SPI_ALL_RIGHT;
}

}  // namespace

int32_t DecodeJpeg(const uint8_t* data, size_t size, uint64_t maxPixels, TSpiBitmap& out) {
    if (size < 3 || !LooksLikeJpeg(data)) return SPI_NOT_SUPPORT;
    TJpegState state{};
    state.Info.err = jpeg_std_error(&state.Error.Manager);
    state.Error.Manager.error_exit = &ErrorJump;
    state.Error.Manager.output_message = &IgnoreMessage;
    state.Error.Manager.emit_message = &FailOnEarlyEnd;
    const int32_t result = DecodeStages(state, data, size, maxPixels, out);
    jpeg_destroy_decompress(&state.Info);  // safe also when creating failed: no pools yet
    return result;
}
