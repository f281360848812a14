#include "formats/palette_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/regular_file.h"
#include "config/safe_file.h"
#include "formats/palette_picture.h"

namespace {

bool Fail(TPaletteError& error, TPaletteProblem problem, int line = 0) {
    error = TPaletteError{problem, line, 0};
    return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The next token of text separated by blanks (and commas).
std::string_view NextToken(std::string_view& text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    size_t end = start;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    const std::string_view token = text.substr(start, end - start);
    text.remove_prefix(end);
    return token;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "rrggbb", "#rrggbb" or the paint.net "aarrggbb" (alpha dropped).
bool ParseHexColor(std::string_view token, ColorValue& color) {
    if (!token.empty() && token.front() == '#') token.remove_prefix(1);
    if (token.size() == 8) token.remove_prefix(2);
    if (token.size() != 6) return false;
    uint32_t rgb = 0;
    for (char c : token) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        rgb = rgb << 4 | static_cast<uint32_t>(digit);
    }
    color = MakeColor(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

enum class TValueRead { Ok, NotNumber, OutOfRange };

TValueRead ParseChannel(std::string_view token, int& value) {
    bool negative = false;
    if (!token.empty() && (token.front() == '-' || token.front() == '+')) {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    if (token.empty() || token.size() > 9) return TValueRead::NotNumber;
    int number = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return TValueRead::NotNumber;
        number = number * 10 + (c - '0');
    }
    if (negative && number != 0) return TValueRead::OutOfRange;
    if (number > 255) return TValueRead::OutOfRange;
    value = number;
    return TValueRead::Ok;
}

// "r g b [name]": three decimal channels, anything after them ignored.
TValueRead ParseDecimalColor(std::string_view line, ColorValue& color) {
    int rgb[3] = {0, 0, 0};
    for (int& channel : rgb) {
        const TValueRead read = ParseChannel(NextToken(line), channel);
        if (read != TValueRead::Ok) return read;
    }
    color = MakeColor(rgb[0], rgb[1], rgb[2]);
    return TValueRead::Ok;
}

// One colour line of any text format: decimal triple or hex.
TValueRead ParseColorLine(std::string_view line, ColorValue& color) {
    std::string_view rest = line;
    const std::string_view first = NextToken(rest);
    if (Trim(rest).empty() || StartsWith(first, "#")) {
        if (ParseHexColor(first, color) && Trim(rest).empty()) return TValueRead::Ok;
        if (StartsWith(first, "#")) return TValueRead::NotNumber;
    }
    return ParseDecimalColor(line, color);
}

bool IsComment(std::string_view line) {
    return StartsWith(line, ";") || StartsWith(line, "//") || line == "#" ||
           StartsWith(line, "# ") || StartsWith(line, "#\t");
}

// Splits a text file image into lines (CRLF or LF), each checked for length.
class TLineReader {
  public:
    TLineReader(const uint8_t* data, size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {
        if (StartsWith(text_, "\xEF\xBB\xBF")) text_.remove_prefix(3);
    }
    // False at the end, or with LineTooLong in error.
    bool Next(std::string_view& line, TPaletteError& error) {
        if (text_.empty()) return false;
        ++number_;
        const size_t end = text_.find('\n');
        line = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxPaletteLineBytes) return Fail(error, TPaletteProblem::LineTooLong, number_);
        line = Trim(line);
        return true;
    }
    int Number() const { return number_; }

  private:
    std::string_view text_;
    int number_ = 0;
};

bool AddColor(std::string_view line, int number, std::vector<ColorValue>& colors,
              TPaletteError& error) {
    ColorValue color = 0;
    switch (ParseColorLine(line, color)) {
        case TValueRead::NotNumber:
            return Fail(error, TPaletteProblem::NotAColor, number);
        case TValueRead::OutOfRange:
            return Fail(error, TPaletteProblem::OutOfRange, number);
        default:
            break;
    }
    if (colors.size() >= static_cast<size_t>(kMaxPaletteColors))
        return Fail(error, TPaletteProblem::TooMany, number);
    colors.push_back(color);
    return true;
}

// GIMP: header, then "Name:", "Columns:", comments and "r g b name" lines.
bool ParseGpl(TLineReader& lines, std::vector<ColorValue>& colors, TPaletteError& error) {
    std::string_view line;
    while (lines.Next(line, error)) {
        if (line.empty() || StartsWith(line, "#") || StartsWith(line, "Name:") ||
            StartsWith(line, "Columns:"))
            continue;
        if (!AddColor(line, lines.Number(), colors, error)) return false;
    }
    return error.Problem == TPaletteProblem::None;
}

// JASC-PAL: header, "0100", the count, then exactly that many "r g b" lines.
bool ParseJasc(TLineReader& lines, std::vector<ColorValue>& colors, TPaletteError& error) {
    std::string_view line;
    if (!lines.Next(line, error) || line != "0100")
        return error.Problem == TPaletteProblem::None
                   ? Fail(error, TPaletteProblem::UnknownHeader, lines.Number())
                   : false;
    if (!lines.Next(line, error)) return Fail(error, TPaletteProblem::Empty, lines.Number() + 1);
    int count = 0;
    for (char c : line) {
        if (c < '0' || c > '9') return Fail(error, TPaletteProblem::NotAColor, lines.Number());
        if (count <= kMaxPaletteColors) count = count * 10 + (c - '0');
    }
    if (count > kMaxPaletteColors) return Fail(error, TPaletteProblem::TooMany, lines.Number());
    if (count == 0) return Fail(error, TPaletteProblem::Empty, lines.Number());
    while (lines.Next(line, error)) {
        if (line.empty()) continue;
        if (static_cast<int>(colors.size()) == count)
            return Fail(error, TPaletteProblem::CountMismatch, lines.Number());
        if (!AddColor(line, lines.Number(), colors, error)) return false;
    }
    if (error.Problem != TPaletteProblem::None) return false;
    if (static_cast<int>(colors.size()) != count)
        return Fail(error, TPaletteProblem::CountMismatch, lines.Number());
    return true;
}

// Plain lists: "#rrggbb", "rrggbb" (.hex) or "r g b" a line, with ';', '//'
// and '# ' comments. A first line that is neither colour nor comment is an
// unknown header.
bool ParsePlain(TLineReader& lines, std::vector<ColorValue>& colors, TPaletteError& error) {
    std::string_view line;
    bool first = true;
    while (lines.Next(line, error)) {
        if (line.empty() || IsComment(line)) continue;
        ColorValue color = 0;
        if (first && ParseColorLine(line, color) == TValueRead::NotNumber)
            return Fail(error, TPaletteProblem::UnknownHeader, lines.Number());
        first = false;
        if (!AddColor(line, lines.Number(), colors, error)) return false;
    }
    return error.Problem == TPaletteProblem::None;
}

bool ParseText(const uint8_t* data, size_t size, std::vector<ColorValue>& colors,
               TPaletteError& error) {
    TLineReader probe(data, size);
    std::string_view first;
    while (probe.Next(first, error) && first.empty()) {
    }
    if (error.Problem != TPaletteProblem::None) return false;
    TLineReader lines(data, size);
    bool ok = false;
    if (first == "GIMP Palette" || first == "JASC-PAL") {
        std::string_view skipped;
        while (lines.Next(skipped, error) && skipped.empty()) {
        }
        ok = first == "GIMP Palette" ? ParseGpl(lines, colors, error)
                                      : ParseJasc(lines, colors, error);
    } else {
        ok = ParsePlain(lines, colors, error);
    }
    if (!ok) return false;
    if (colors.empty()) return Fail(error, TPaletteProblem::Empty);
    return true;
}

bool EndsWithAct(const std::string& name) {
    const auto format = PaletteFormatOfPath(name);
    return format && *format == TPaletteFormat::Act;
}

// Adobe colour table: 256 RGB triples, then optionally the count and the
// transparent index (big-endian 16 bits each).
bool ParseAct(const uint8_t* data, size_t size, std::vector<ColorValue>& colors,
              TPaletteError& error) {
    if (size != 768 && size != 772) return Fail(error, TPaletteProblem::Truncated);
    int count = 256;
    if (size == 772) {
        count = data[768] << 8 | data[769];
        if (count == 0 || count > 256) return Fail(error, TPaletteProblem::CountMismatch);
    }
    for (int i = 0; i < count; ++i)
        colors.push_back(MakeColor(data[3 * i], data[3 * i + 1], data[3 * i + 2]));
    return true;
}

void AppendHex(std::string& text, ColorValue color) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02x%02x%02x", RedOf(color), GreenOf(color),
                  BlueOf(color));
    text += digits;
}

std::string GplImage(const std::vector<ColorValue>& colors, const std::string& name) {
    std::string text = "GIMP Palette\nName: " + name + "\nColumns: 16\n#\n";
    for (ColorValue color : colors) {
        char line[40];
        std::snprintf(line, sizeof line, "%3d %3d %3d\t#", RedOf(color), GreenOf(color),
                      BlueOf(color));
        text += line;
        AppendHex(text, color);
        text += '\n';
    }
    return text;
}

std::string JascImage(const std::vector<ColorValue>& colors) {
    std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(colors.size()) + "\r\n";
    for (ColorValue color : colors) {
        text += std::to_string(RedOf(color)) + ' ' + std::to_string(GreenOf(color)) + ' ' +
                std::to_string(BlueOf(color)) + "\r\n";
    }
    return text;
}

// 772 bytes: the count tells readers how many of the 256 entries are used;
// 0xFFFF says no entry is transparent.
std::string ActImage(const std::vector<ColorValue>& colors) {
    std::string image(772, '\0');
    for (size_t i = 0; i < colors.size() && i < 256; ++i) {
        image[3 * i] = static_cast<char>(RedOf(colors[i]));
        image[3 * i + 1] = static_cast<char>(GreenOf(colors[i]));
        image[3 * i + 2] = static_cast<char>(BlueOf(colors[i]));
    }
    image[768] = static_cast<char>(colors.size() >> 8);
    image[769] = static_cast<char>(colors.size() & 0xFF);
    image[770] = image[771] = static_cast<char>(0xFF);
    return image;
}

}  // namespace

std::string PaletteErrorText(const TPaletteError& error, bool english) {
    std::string text;
    if (error.Line > 0) text = (english ? "line " : "行 ") + std::to_string(error.Line) + ": ";
    switch (error.Problem) {
        case TPaletteProblem::None:
            return std::string();
        case TPaletteProblem::System:
            return english || error.Error == kNotRegularFileError ? ReadErrorText(error.Error)
                                                                   : std::strerror(error.Error);
        case TPaletteProblem::Empty:
            return text + (english ? "no colours in the palette" : "パレットに色がありません");
        case TPaletteProblem::TooMany:
            return text + (english ? "more than 256 colours" : "256 色を超えています");
        case TPaletteProblem::OutOfRange:
            return text + (english ? "value out of range 0..255" : "値が 0..255 の範囲外です");
        case TPaletteProblem::NotAColor:
            return text + (english ? "not a colour" : "色として読めません");
        case TPaletteProblem::UnknownHeader:
            return text + (english ? "unknown palette header" : "知らないパレット形式です");
        case TPaletteProblem::LineTooLong:
            return text + (english ? "line too long" : "行が長すぎます");
        case TPaletteProblem::CountMismatch:
            return text + (english ? "colour count does not match the entries"
                                   : "色数と項目の数が合いません");
        case TPaletteProblem::Truncated:
            return text + (english ? "damaged or truncated" : "ファイルが壊れているか途中で切れています");
        case TPaletteProblem::NoPalette:
            return text + (english ? "picture without a palette" : "パレットのない画像です");
        case TPaletteProblem::UnknownFormat:
            return english ? "palette format must be gpl, pal, act or hex"
                           : "パレット形式は gpl, pal, act, hex のいずれかです";
    }
    return text;
}

std::optional<TPaletteFormat> PaletteFormatFromName(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "gpl") return TPaletteFormat::Gpl;
    if (lower == "pal") return TPaletteFormat::Pal;
    if (lower == "act") return TPaletteFormat::Act;
    if (lower == "hex") return TPaletteFormat::Hex;
    return std::nullopt;
}

std::optional<TPaletteFormat> PaletteFormatOfPath(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    return PaletteFormatFromName(std::string_view(path).substr(dot + 1));
}

const char* PaletteFormatExtension(TPaletteFormat format) {
    switch (format) {
        case TPaletteFormat::Pal:
            return "pal";
        case TPaletteFormat::Act:
            return "act";
        case TPaletteFormat::Hex:
            return "hex";
        default:
            return "gpl";
    }
}

bool ParsePalette(const uint8_t* data, size_t size, const std::string& nameForFormat,
                  std::vector<ColorValue>& colors, TPaletteError& error) {
    colors.clear();
    error = {};
    const TPictureKindOfPalette kind = PictureKindOf(data, size);
    // An Adobe table has no signature: its first colours may well spell
    // "BM" or "GIF87a", so its name and size decide before any signature.
    const bool act = EndsWithAct(nameForFormat);
    bool ok = false;
    if (act && (size == 768 || size == 772))
        ok = ParseAct(data, size, colors, error);
    else if (kind != TPictureKindOfPalette::None)
        ok = ReadPicturePalette(kind, data, size, colors, error);
    else if (act)
        ok = ParseAct(data, size, colors, error);
    else
        ok = ParseText(data, size, colors, error);
    if (!ok) colors.clear();
    return ok;
}

bool ReadPaletteFile(const std::string& path, std::vector<ColorValue>& colors,
                     TPaletteError& error) {
    colors.clear();
    int openError = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(OpenRegularFile(path, &openError), &std::fclose);
    if (!file) {
        error = TPaletteError{TPaletteProblem::System, 0, openError};
        return false;
    }
    std::vector<uint8_t> data(kMaxPaletteFileBytes);
    const size_t size = std::fread(data.data(), 1, data.size(), file.get());
    if (std::ferror(file.get())) {
        error = TPaletteError{TPaletteProblem::System, 0, errno != 0 ? errno : EIO};
        return false;
    }
    return ParsePalette(data.data(), size, path, colors, error);
}

bool ParseColorList(std::string_view text, std::vector<ColorValue>& colors, TPaletteError& error) {
    colors.clear();
    error = {};
    for (int position = 1;; ++position) {
        const std::string_view token = NextToken(text);
        if (token.empty()) break;
        ColorValue color = 0;
        if (!ParseHexColor(token, color) || token.size() > 7)
            return Fail(error, TPaletteProblem::NotAColor, position);
        if (colors.size() >= static_cast<size_t>(kMaxPaletteColors))
            return Fail(error, TPaletteProblem::TooMany, position);
        colors.push_back(color);
    }
    return true;
}

std::string ColorListText(const std::vector<ColorValue>& colors) {
    std::string text;
    for (ColorValue color : colors) {
        if (!text.empty()) text += ',';
        text += '#';
        AppendHex(text, color);
    }
    return text;
}

std::string PaletteFileImage(const std::vector<ColorValue>& colors, TPaletteFormat format,
                             const std::string& name) {
    switch (format) {
        case TPaletteFormat::Pal:
            return JascImage(colors);
        case TPaletteFormat::Act:
            return ActImage(colors);
        case TPaletteFormat::Hex: {
            std::string text;
            for (ColorValue color : colors) {
                AppendHex(text, color);
                text += '\n';
            }
            return text;
        }
        default:
            return GplImage(colors, name);
    }
}

bool WritePaletteFile(const std::string& path, const std::vector<ColorValue>& colors,
                      TPaletteError& error) {
    error = {};
    const auto format = PaletteFormatOfPath(path);
    if (!format) return Fail(error, TPaletteProblem::UnknownFormat);
    if (colors.empty()) return Fail(error, TPaletteProblem::Empty);
    if (colors.size() > static_cast<size_t>(kMaxPaletteColors))
        return Fail(error, TPaletteProblem::TooMany);
    const size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.rfind('.'));
    const std::string image = PaletteFileImage(colors, *format, name);
    if (!WriteFileSafely(path, image.data(), image.size())) {
        error = TPaletteError{TPaletteProblem::System, 0, SafeFileError() != 0 ? SafeFileError() : EIO};
        return false;
    }
    return true;
}
