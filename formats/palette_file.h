#pragma once
// Palette files: a list of colours in a fixed order, read from and written
// to the formats other programs use.
//
// Read: GIMP ".gpl", JASC-PAL ".pal", Adobe ".act" (768 bytes, or 772 with
// the count), ".hex" (one "rrggbb" a line), plain text with one "#rrggbb" or
// "r g b" a line, and the palette of an indexed PNG, GIF or BMP. The format
// is told by the content (header, signature), ".act" by its extension.
// Written: ".gpl", ".pal", ".act" and ".hex".
//
// Palette files are user input: only the first kMaxPaletteFileBytes of a
// file are read, a text line may hold at most kMaxPaletteLineBytes, CRLF
// line ends and a UTF-8 byte order mark are accepted. A palette holds 1..256
// colours; the order of the file is kept and nothing is merged or sorted.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/picture.h"

// Enough for any text palette and for the header part of an indexed picture
// that holds its palette (PNG puts PLTE before the pixels).
inline constexpr size_t kMaxPaletteFileBytes = size_t{4} << 20;
inline constexpr size_t kMaxPaletteLineBytes = 1024;
inline constexpr int kMaxPaletteColors = 256;

enum class TPaletteProblem : int {
    None = 0,
    System,         // Error holds the errno value (or kNotRegularFileError)
    Empty,          // no colour at all
    TooMany,        // more than 256 colours
    OutOfRange,     // a channel value outside 0..255
    NotAColor,      // a line that is no colour (non-numeric, negative, short)
    UnknownHeader,  // a first line that names no palette format this reader knows
    LineTooLong,    // a line over kMaxPaletteLineBytes
    CountMismatch,  // JASC-PAL / ACT count that disagrees with the colours
    Truncated,      // binary data cut short (ACT size, PNG chunk, GIF table, BMP)
    NoPalette,      // a picture without a palette (full colour)
    UnknownFormat,  // writing: an extension other than gpl, pal, act, hex
};

struct TPaletteError {
    TPaletteProblem Problem = TPaletteProblem::None;
    int Line = 0;   // 1-based line of a text file; 0 when not about a line
    int Error = 0;  // errno with TPaletteProblem::System
};

// "line 3: value out of range 0..255" and the like, without the file name,
// in English or Japanese (the front ends put the path in front).
std::string PaletteErrorText(const TPaletteError& error, bool english = true);

enum class TPaletteFormat : int { Gpl = 0, Pal = 1, Act = 2, Hex = 3 };

// The format named by "gpl", "pal", "act" or "hex" (any case), or nullopt.
std::optional<TPaletteFormat> PaletteFormatFromName(std::string_view name);
// The format of path's extension, or nullopt.
std::optional<TPaletteFormat> PaletteFormatOfPath(const std::string& path);
// "gpl", "pal", "act", "hex".
const char* PaletteFormatExtension(TPaletteFormat format);

// Parses a file image. nameForFormat is the file's name (only its ".act"
// extension matters). True with 1..256 colours in file order.
bool ParsePalette(const uint8_t* data, size_t size, const std::string& nameForFormat,
                  std::vector<ColorValue>& colors, TPaletteError& error);

// Reads path (regular files only, at most kMaxPaletteFileBytes) and parses it.
bool ReadPaletteFile(const std::string& path, std::vector<ColorValue>& colors,
                     TPaletteError& error);

// Parses a typed list "#rrggbb,#rrggbb,..." (the '#' may be left out;
// commas, semicolons and blanks separate). An empty list gives no colours
// and succeeds; error.Line is the 1-based position of a bad item.
bool ParseColorList(std::string_view text, std::vector<ColorValue>& colors, TPaletteError& error);
// "#rrggbb,#rrggbb,..." in lower case: the form ParseColorList reads.
std::string ColorListText(const std::vector<ColorValue>& colors);

// The file image of colors (1..256) in format; name is the GIMP palette's
// "Name:" line.
std::string PaletteFileImage(const std::vector<ColorValue>& colors, TPaletteFormat format,
                             const std::string& name);
// Writes colors to path through the safe writer, the format from the
// extension. False with UnknownFormat, Empty, TooMany or System (errno).
bool WritePaletteFile(const std::string& path, const std::vector<ColorValue>& colors,
                      TPaletteError& error);
