#pragma once
// A small ini-file module with the semantics of the classic profile-string
// functions: sections "[name]" holding "key=value" lines; section and key
// names match without regard to ASCII letter case; a key that appears twice
// in a section reads as its first occurrence. Writing a key replaces its line
// in place, or appends it after the last key of its section, creating the
// section at the end of the file. Lines this module does not write (comments,
// blank lines, other sections, text in other encodings) survive a write
// byte for byte, and so do the file's CRLF line ends and UTF-8 byte-order mark.
//
// Reading is forgiving: CRLF or LF line ends, a byte-order mark, blank and
// comment lines (";" or "#"), blanks around "=" and around names, a missing
// final line end and binary garbage all read without failing; what is not a
// section or key line is ignored.
//
// The free functions open the file by name on every call and hold nothing
// open. TIniDocument is the same file in memory, for callers that read or
// write many keys at once (LoadSettings, SaveSettings).
//
// Writing is atomic: the whole file goes to a temporary file beside it that
// is renamed over the target only when complete, so a failed write leaves the
// old file as it was. A failed write returns false and, when asked, the error
// text "<full path> に書き込めません" (IniWriteErrorText) for the caller to show.
// No function here throws for file content or I/O failures.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Strings are cut at this many bytes when read (ReadString, TIniDocument::ReadString).
inline constexpr std::size_t kIniMaxStringBytes = 1023;
// Files larger than this are treated as unreadable (never parsed, never
// overwritten): no settings file comes near it, and a larger one is some
// other file (LoadError() then says EFBIG).
inline constexpr std::size_t kIniMaxFileBytes = 1u << 20;

enum class TIniLoadStatus {
    Read,        // the file was read
    Missing,     // no file at that path: an empty document
    Unreadable,  // exists but cannot be read (a folder, no permission, too large)
};

// Value rules shared by every reader:
// - integer: optional blanks, optional sign, then decimal digits, or "0x"/"0X"
//   and hexadecimal digits; digits after the number are ignored ("12px" is 12);
//   an empty or non-numeric value is 0; values beyond int range are clamped.
// - boolean: read as an integer; any non-zero value is true. Written "1"/"0".
// - string: the value with blanks around it removed, cut at kIniMaxStringBytes.
int ParseIniInteger(const std::string& value);

// Names the format can hold, so that a line written with them reads back as
// the same key or section: not empty, no blanks at either end (reading trims
// them), no CR, LF or NUL; a key has no "=" and does not begin with "[", ";"
// or "#" (it would read as a section or a comment); a section name has no
// "]". Names that fail are never written (see SetValue).
bool IsIniKeyName(const std::string& name);
bool IsIniSectionName(const std::string& name);

class TIniDocument {
  public:
    // Replaces the contents with the file's; Missing and Unreadable leave an
    // empty document. Remembers whether to save it back as unreadable.
    TIniLoadStatus Load(const std::string& path);
    // Why the last Load gave Unreadable: the errno value, kNotRegularFileError
    // (config/regular_file.h) or EFBIG for a file over kIniMaxFileBytes; 0
    // after Read or Missing.
    int LoadError() const { return loadError_; }
    // Parses text as if it were a file's contents.
    void Parse(const std::string& text);
    // The whole file as text (the bytes Save would write).
    std::string Text() const;
    // Writes the document to path atomically. False on failure (also when the
    // file loaded was Unreadable, so it is never overwritten blindly), with
    // IniWriteErrorText(path) in *error when error is given.
    bool Save(const std::string& path, std::string* error = nullptr) const;

    // The raw value of the first occurrence of key in section, or nullopt.
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    int ReadInteger(const std::string& section, const std::string& key, int fallback = 0) const;
    bool ReadBool(const std::string& section, const std::string& key, bool fallback = false) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback = std::string()) const;

    // Sets key=value (see the file comment for where the line goes). A value
    // is one line: it is cut at its first CR or LF, which no ini line can hold.
    // A key or section name the format cannot hold (IsIniKeyName,
    // IsIniSectionName) changes nothing and gives false: it would come back
    // as another key, a section or a comment.
    bool SetValue(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    bool HasSection(const std::string& section) const;
    // The key names of section in file order, each once (first spelling).
    std::vector<std::string> SectionKeys(const std::string& section) const;
    // Removes the section's header and all its lines (every section of that name).
    void EraseSection(const std::string& section);

  private:
    struct TLine {
        enum Kind { Other, Section, Key } LineKind = Other;
        std::string Raw;    // the line as read or written, without its line end
        std::string Name;   // section or key name, blanks removed
        std::string Value;  // key value, blanks removed
    };
    std::vector<TLine> lines_;
    bool bom_ = false;
    bool crlf_ = false;
    bool unreadable_ = false;
    int loadError_ = 0;

    static TLine ParseLine(const std::string& raw);
    // Index of the first line of each section named section: [header, end).
    std::vector<std::pair<std::size_t, std::size_t>> SectionRanges(
        const std::string& section) const;
};

// Per-call functions: each opens the file by name. Reads of a missing or
// unreadable file give the fallback. Writes return false on failure with
// the error text in *error when given (also for a key or section name the
// format cannot hold); the old file is left intact.
int ReadInteger(const std::string& path, const std::string& section, const std::string& key,
                int fallback = 0);
bool ReadBool(const std::string& path, const std::string& section, const std::string& key,
              bool fallback = false);
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& fallback = std::string());
bool WriteInteger(const std::string& path, const std::string& section, const std::string& key,
                  int value, std::string* error = nullptr);
bool WriteBool(const std::string& path, const std::string& section, const std::string& key,
               bool value, std::string* error = nullptr);
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value, std::string* error = nullptr);
std::vector<std::string> ReadSectionKeys(const std::string& path, const std::string& section);
// Erasing from a missing file, or a section the file lacks, succeeds without writing.
bool EraseSection(const std::string& path, const std::string& section,
                  std::string* error = nullptr);

// "<path> に書き込めません": the text of a failed write, path made absolute.
std::string IniWriteErrorText(const std::string& path);
