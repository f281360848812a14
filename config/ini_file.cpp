#include "config/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "config/regular_file.h"
#include "config/safe_file.h"
#include "config/texts.h"

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads at most maxBytes + 1 bytes so an oversized file is noticed without
// reading all of it.
TIniLoadStatus ReadWholeFile(const std::string& path, std::string& text, int& error) {
    text.clear();
    error = 0;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return TIniLoadStatus::Missing;
    // Never a FIFO or a device: they would block or never end.
    std::FILE* file = OpenRegularFile(path, &error);
    if (file == nullptr) {
        if (error == ENOENT) {
            error = 0;
            return TIniLoadStatus::Missing;
        }
        return TIniLoadStatus::Unreadable;
    }
    char chunk[8192];
    bool failed = false;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        text.append(chunk, got);
        if (text.size() > kIniMaxFileBytes) {
            failed = true;
            error = EFBIG;
            break;
        }
        if (got < sizeof chunk) {
            failed = std::ferror(file) != 0;
            if (failed) error = EIO;
            break;
        }
    }
    std::fclose(file);
    if (failed) {
        text.clear();
        return TIniLoadStatus::Unreadable;
    }
    return TIniLoadStatus::Read;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& text) {
    return WriteFileSafely(path, text.data(), text.size());
}

}  // namespace

bool IsIniSectionName(const std::string& name) {
    if (name.empty() || name != Trim(name)) return false;
    return name.find_first_of(std::string("\r\n]\0", 4)) == std::string::npos;
}

bool IsIniKeyName(const std::string& name) {
    if (name.empty() || name != Trim(name)) return false;
    if (name[0] == '[' || name[0] == ';' || name[0] == '#') return false;
    return name.find_first_of(std::string("\r\n=\0", 4)) == std::string::npos;
}

int ParseIniInteger(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    int base = 10;
    if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Accumulate with a ceiling above int range so long digit runs cannot overflow.
    constexpr long long kCeiling = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < value.size(); ++i) {
        const int digit = base == 16 ? HexDigit(value[i])
                                     : (value[i] >= '0' && value[i] <= '9' ? value[i] - '0' : -1);
        if (digit < 0) break;
        magnitude = std::min(magnitude * base + digit, kCeiling);
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
}

TIniDocument::TLine TIniDocument::ParseLine(const std::string& raw) {
    TLine line;
    line.Raw = raw;
    const std::string trimmed = Trim(raw);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return line;
    if (trimmed[0] == '[') {
        const std::size_t close = trimmed.find(']');
        if (close == std::string::npos) return line;
        line.LineKind = TLine::Section;
        line.Name = Trim(trimmed.substr(1, close - 1));
        return line;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos || equals == 0) return line;
    line.LineKind = TLine::Key;
    line.Name = Trim(trimmed.substr(0, equals));
    line.Value = Trim(trimmed.substr(equals + 1));
    return line;
}

TIniLoadStatus TIniDocument::Load(const std::string& path) {
    std::string text;
    int error = 0;
    const TIniLoadStatus status = ReadWholeFile(path, text, error);
    Parse(text);
    unreadable_ = status == TIniLoadStatus::Unreadable;
    loadError_ = error;
    return status;
}

void TIniDocument::Parse(const std::string& text) {
    lines_.clear();
    unreadable_ = false;
    bom_ = text.compare(0, 3, kBom) == 0;
    crlf_ = false;
    bool endingKnown = false;
    std::size_t start = bom_ ? 3 : 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool terminated = end != std::string::npos;
        if (!terminated) end = text.size();
        std::size_t lineEnd = end;
        const bool hasCr = lineEnd > start && text[lineEnd - 1] == '\r';
        if (hasCr) --lineEnd;
        if (terminated && !endingKnown) {
            crlf_ = hasCr;  // the first line end decides how new lines end
            endingKnown = true;
        }
        lines_.push_back(ParseLine(text.substr(start, lineEnd - start)));
        start = end + 1;
    }
}

std::string TIniDocument::Text() const {
    std::string text = bom_ ? kBom : "";
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (const TLine& line : lines_) {
        text += line.Raw;
        text += eol;
    }
    return text;
}

bool TIniDocument::Save(const std::string& path, std::string* error) const {
    const bool ok = !unreadable_ && ReplaceFileAtomically(path, Text());
    if (!ok && error != nullptr) *error = IniWriteErrorText(path);
    return ok;
}

std::vector<std::pair<std::size_t, std::size_t>> TIniDocument::SectionRanges(
    const std::string& section) const {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].LineKind != TLine::Section || !SameName(lines_[i].Name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].LineKind != TLine::Section) ++end;
        ranges.emplace_back(i, end);
        i = end - 1;
    }
    return ranges;
}

std::optional<std::string> TIniDocument::Value(const std::string& section,
                                               const std::string& key) const {
    for (const auto& [header, end] : SectionRanges(section)) {
        for (std::size_t i = header + 1; i < end; ++i) {
            if (lines_[i].LineKind == TLine::Key && SameName(lines_[i].Name, key))
                return lines_[i].Value;
        }
    }
    return std::nullopt;
}

int TIniDocument::ReadInteger(const std::string& section, const std::string& key,
                              int fallback) const {
    const std::optional<std::string> value = Value(section, key);
    return value ? ParseIniInteger(*value) : fallback;
}

bool TIniDocument::ReadBool(const std::string& section, const std::string& key,
                            bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::string TIniDocument::ReadString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const {
    const std::optional<std::string> value = Value(section, key);
    return value ? value->substr(0, kIniMaxStringBytes) : fallback;
}

bool TIniDocument::SetValue(const std::string& section, const std::string& key,
                            const std::string& value) {
    if (!IsIniSectionName(section) || !IsIniKeyName(key)) return false;
    const std::string oneLine = value.substr(0, value.find_first_of("\r\n"));
    TLine line = ParseLine(key + "=" + oneLine);
    const auto ranges = SectionRanges(section);
    for (const auto& [header, end] : ranges) {
        for (std::size_t i = header + 1; i < end; ++i) {
            if (lines_[i].LineKind == TLine::Key && SameName(lines_[i].Name, key)) {
                lines_[i] = std::move(line);
                return true;
            }
        }
    }
    if (ranges.empty()) {
        lines_.push_back(ParseLine("[" + section + "]"));
        lines_.push_back(std::move(line));
        return true;
    }
    // After the section's last key, so comments and blank lines that follow
    // it stay in front of the next section.
    const auto [header, end] = ranges.front();
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].LineKind == TLine::Key) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    return true;
}

bool TIniDocument::WriteInteger(const std::string& section, const std::string& key, int value) {
    return SetValue(section, key, std::to_string(value));
}

bool TIniDocument::WriteBool(const std::string& section, const std::string& key, bool value) {
    return SetValue(section, key, value ? "1" : "0");
}

bool TIniDocument::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
    return SetValue(section, key, value);
}

bool TIniDocument::HasSection(const std::string& section) const {
    return !SectionRanges(section).empty();
}

std::vector<std::string> TIniDocument::SectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    for (const auto& [header, end] : SectionRanges(section)) {
        for (std::size_t i = header + 1; i < end; ++i) {
            if (lines_[i].LineKind != TLine::Key) continue;
            const std::string& name = lines_[i].Name;
            const bool seen = std::any_of(keys.begin(), keys.end(),
                                          [&](const std::string& k) { return SameName(k, name); });
            if (!seen) keys.push_back(name);
        }
    }
    return keys;
}

void TIniDocument::EraseSection(const std::string& section) {
    const auto ranges = SectionRanges(section);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->first),
                     lines_.begin() + static_cast<std::ptrdiff_t>(it->second));
    }
}

int ReadInteger(const std::string& path, const std::string& section, const std::string& key,
                int fallback) {
    TIniDocument document;
    document.Load(path);
    return document.ReadInteger(section, key, fallback);
}

bool ReadBool(const std::string& path, const std::string& section, const std::string& key,
              bool fallback) {
    TIniDocument document;
    document.Load(path);
    return document.ReadBool(section, key, fallback);
}

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& fallback) {
    TIniDocument document;
    document.Load(path);
    return document.ReadString(section, key, fallback);
}

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value, std::string* error) {
    TIniDocument document;
    document.Load(path);  // an unreadable file makes Save refuse
    if (!document.SetValue(section, key, value)) {
        if (error != nullptr) *error = IniWriteErrorText(path);
        return false;
    }
    return document.Save(path, error);
}

bool WriteInteger(const std::string& path, const std::string& section, const std::string& key,
                  int value, std::string* error) {
    return WriteString(path, section, key, std::to_string(value), error);
}

bool WriteBool(const std::string& path, const std::string& section, const std::string& key,
               bool value, std::string* error) {
    return WriteString(path, section, key, value ? "1" : "0", error);
}

std::vector<std::string> ReadSectionKeys(const std::string& path, const std::string& section) {
    TIniDocument document;
    document.Load(path);
    return document.SectionKeys(section);
}

bool EraseSection(const std::string& path, const std::string& section, std::string* error) {
    TIniDocument document;
    const TIniLoadStatus status = document.Load(path);
    if (status == TIniLoadStatus::Missing) return true;
    if (status == TIniLoadStatus::Read && !document.HasSection(section)) return true;
    document.EraseSection(section);
    return document.Save(path, error);
}

std::string IniWriteErrorText(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    const std::string fullPath = ec ? path : absolute.string();
    std::string text = Text(TextId::CantWriteFile, false);
    const std::size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos) text.replace(placeholder, 2, fullPath);
    return text;
}
