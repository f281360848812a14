// BMP writing: full-colour records at 24 bits, indexed records at the
// smallest of 1, 4 or 8 bits that holds their colour count, with a colour
// table of exactly Colors entries. The file image is built in memory and
// written in one go, so a failed save never leaves a half-written file.

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "formats/bmp.h"
#include "formats/bmp_info.h"
#include "config/failure_reason.h"
#include "config/safe_file.h"

namespace {

constexpr uint32_t kHeadersBytes = 54;  // 14-byte file header + 40-byte information header
constexpr uint32_t kInfoHeaderBytes = 40;

// Colour-table entries: exactly Colors for an indexed record, none for a
// full-colour one (whatever its Colors field says).
int ColorsUsed(const TPictureRecord& record) {
    return record.Kind == pkIndexed ? record.Colors : 0;
}

int BitsFor(const TPictureRecord& record) {
    if (record.Kind == pkFullColour) return 24;
    if (record.Colors <= 2) return 1;
    if (record.Colors <= 16) return 4;
    return 8;
}

// A record whose buffers hold what its kind and size promise, and whose file
// image fits the 32-bit size fields.
bool Writable(const TPictureRecord& record) {
    if (record.Kind != pkFullColour && record.Kind != pkIndexed) return false;
    if (record.Width <= 0 || record.Height <= 0) return false;
    const uint64_t pixelCount = static_cast<uint64_t>(record.Width) * record.Height;
    const uint64_t bytesPerPixel = record.Kind == pkFullColour ? 4 : 1;
    if (record.Pixels.size() / bytesPerPixel < pixelCount) return false;
    if (record.Kind == pkIndexed) {
        if (record.Colors < 1 || record.Colors > 256) return false;
        if (record.Palette.size() < 4 * static_cast<size_t>(record.Colors)) return false;
    }
    const uint64_t fileSize = kHeadersBytes + 4 * static_cast<uint64_t>(ColorsUsed(record)) +
                              BmpStride(record.Width, BitsFor(record)) * record.Height;
    return fileSize <= std::numeric_limits<uint32_t>::max();
}

void WriteHeaders(const TPictureRecord& record, int bits, uint32_t imageBytes, TByteBuffer& out) {
    const uint32_t colors = static_cast<uint32_t>(ColorsUsed(record));
    const uint32_t pixelOffset = kHeadersBytes + 4 * colors;
    out.PutU8('B');
    out.PutU8('M');
    out.PutU32LE(pixelOffset + imageBytes);  // file size
    out.PutU16LE(0);
    out.PutU16LE(0);
    out.PutU32LE(pixelOffset);
    out.PutU32LE(kInfoHeaderBytes);
    out.PutU32LE(static_cast<uint32_t>(record.Width));
    out.PutU32LE(static_cast<uint32_t>(record.Height));  // positive: rows bottom-up
    out.PutU16LE(1);                                     // planes
    out.PutU16LE(static_cast<uint16_t>(bits));
    out.PutU32LE(0);  // no compression
    out.PutU32LE(imageBytes);
    out.PutU32LE(static_cast<uint32_t>(std::max(record.XPelsPerMeter, 0)));  // 0: unknown
    out.PutU32LE(static_cast<uint32_t>(std::max(record.YPelsPerMeter, 0)));
    out.PutU32LE(colors);
    out.PutU32LE(0);  // colours important
}

// Entries 0..Colors-1 as blue, green, red, 0.
void WriteColorTable(const TPictureRecord& record, TByteBuffer& out) {
    for (int i = 0; i < ColorsUsed(record); ++i) {
        const ColorValue color = record.PaletteEntry(i);
        out.PutU8(static_cast<uint8_t>(BlueOf(color)));
        out.PutU8(static_cast<uint8_t>(GreenOf(color)));
        out.PutU8(static_cast<uint8_t>(RedOf(color)));
        out.PutU8(0);
    }
}

// Packs one row of indexes; an index too wide for the depth is cut to it so
// that it cannot spill into its neighbour. row arrives zero-filled.
void PackIndexedRow(const uint8_t* indexes, int width, int bits, std::vector<uint8_t>& row) {
    for (int x = 0; x < width; ++x) {
        const unsigned index = indexes[x];
        if (bits == 1)
            row[x >> 3] |= static_cast<uint8_t>((index & 1u) << (7 - (x & 7)));
        else if (bits == 4)
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? index & 0x0Fu : (index & 0x0Fu) << 4);
        else
            row[x] = static_cast<uint8_t>(index);
    }
}

// Colour values are stored red, green, blue, 0; the file wants blue, green, red.
void PackColorRow(const uint8_t* colors, int width, std::vector<uint8_t>& row) {
    for (int x = 0; x < width; ++x, colors += 4) {
        row[3 * x] = colors[2];
        row[3 * x + 1] = colors[1];
        row[3 * x + 2] = colors[0];
    }
}

void WriteRows(const TPictureRecord& record, int bits, size_t stride, TByteBuffer& out) {
    std::vector<uint8_t> row(stride);
    const size_t width = static_cast<size_t>(record.Width);
    for (int y = record.Height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        if (bits == 24)
            PackColorRow(record.Pixels.data() + 4 * width * y, record.Width, row);
        else
            PackIndexedRow(record.Pixels.data() + width * y, record.Width, bits, row);
        out.PutBytes(row.data(), row.size());
    }
}

}  // namespace

void WriteBmpImage(const TPictureRecord& record, TByteBuffer& buffer) {
    if (!Writable(record)) return;
    const int bits = BitsFor(record);
    const size_t stride = static_cast<size_t>(BmpStride(record.Width, bits));
    const size_t imageBytes = stride * static_cast<size_t>(record.Height);
    try {
        buffer.Clear();
        buffer.Data.reserve(kHeadersBytes + 4 * static_cast<size_t>(ColorsUsed(record)) +
                            imageBytes);
        WriteHeaders(record, bits, static_cast<uint32_t>(imageBytes), buffer);
        WriteColorTable(record, buffer);
        WriteRows(record, bits, stride, buffer);
    } catch (const std::bad_alloc&) {
        buffer.Clear();  // an empty buffer says nothing was written
        SetLastSaveFailure({TFailure::OutOfMemory, 0});
    }
    buffer.Position = 0;
}

bool SaveBmp(const TPictureRecord& record) {
    TByteBuffer image;
    WriteBmpImage(record, image);
    if (image.Data.empty()) return false;
    return WriteFileSafely(record.FileName, image.Data.data(), image.Data.size());
}
