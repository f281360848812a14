#pragma once
// Test pictures written with the codec libraries' own encoders.

#include <cstdint>
#include <string>
#include <vector>

// Packed rows as the codec expects them (no padding), top row first.
struct TPngPicture {
    int Width = 0;
    int Height = 0;
    int ColorType = 2;  // PNG_COLOR_TYPE_*
    int BitDepth = 8;
    bool Interlace = false;
    std::vector<uint8_t> Rows;     // Height rows of packed samples, 16-bit big-endian
    std::vector<uint8_t> Palette;  // RGB triplets for colour type 3
    std::vector<uint8_t> Trans;    // tRNS alpha per palette entry
};
bool WritePngFile(const std::string& path, const TPngPicture& picture);

enum class TJpegKind { Baseline, Progressive, Grey, AdobeCmyk, AdobeYcck };
// samples: 3 (RGB), 1 (grey) or 4 (CMYK as Adobe stores it: 255 = no ink) per pixel.
bool WriteJpegFile(const std::string& path, int width, int height, const std::vector<uint8_t>& samples,
                   TJpegKind kind, int quality);

struct TGifFrame {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Interlace = false;
    std::vector<uint8_t> Indexes;  // Width * Height, top row first
    int TransparentIndex = -1;
};
// palette: RGB triplets, a power of two entries; background: screen colour index.
bool WriteGifFile(const std::string& path, int screenWidth, int screenHeight,
                  const std::vector<uint8_t>& palette, int background,
                  const std::vector<TGifFrame>& frames);

struct TTiffPage {
    int Width = 0;
    int Height = 0;
    int SamplesPerPixel = 3;
    int BitsPerSample = 8;
    int Photometric = 2;   // PHOTOMETRIC_RGB
    int Compression = 1;   // COMPRESSION_NONE
    bool UnassociatedAlpha = false;  // the last sample is alpha
    std::vector<uint8_t> Rows;        // packed, native byte order for 16 bits
    std::vector<uint16_t> ColorMap;   // 3 * 2^bits entries for palette pictures
};
bool WriteTiffFile(const std::string& path, const std::vector<TTiffPage>& pages);

// rgba: 4 bytes per pixel. lossless keeps every value; lossy uses quality.
bool WriteWebpFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                   bool lossless, float quality);
// Two or more frames of the same size, 100 ms each, lossless.
bool WriteAnimatedWebpFile(const std::string& path, int width, int height,
                           const std::vector<std::vector<uint8_t>>& rgbaFrames);
