#include "cli/cli_options.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "formats/palette_file.h"
#include "formats/pixel_cap.h"

namespace {

// How an option's value is read and checked.
enum class TValueKind {
    Flag,    // no value
    Whole,   // a whole number in Low..High
    Choice,  // one of Choices; the value is its index
    Triple,  // three whole numbers in Low..High, separated by commas
    Folder,  // any text but the empty one
    Text,    // any text
};

// Commands an option applies to, as a bit set.
constexpr unsigned kForReduce = 1;
constexpr unsigned kForConvert = 2;
constexpr unsigned kForInfo = 4;
constexpr unsigned kForPlugins = 8;
constexpr unsigned kForPalette = 16;  // palette also takes every option of reduce
constexpr unsigned kForEvery = kForReduce | kForConvert | kForInfo | kForPlugins | kForPalette;

// A checked value.
struct TValue {
    int Number = 0;                // Whole, Choice (the index)
    std::array<int, 3> Numbers{};  // Triple
    std::string_view Text;         // Folder, Text (points into argv)
};

// Where parsing leaves its results.
struct TParseState {
    TCliOptions& Options;
    std::optional<TCliCommand> HelpOrVersion;  // the first of --help, --version
};

// One option: its names, how its value is checked, where it goes and its
// line in the usage text. Exactly one of ToParse and ToRecord is set:
// ToParse acts on the command line itself, ToRecord becomes a change of the
// settings record, applied in command-line order after any --settings file.
struct TOptionSpec {
    char Short = 0;  // 0: none
    const char* Long = nullptr;
    const char* Arg = nullptr;  // the value's name in the usage; null for a flag
    TValueKind Kind = TValueKind::Flag;
    int Low = 0;
    int High = 0;
    const char* Choices = nullptr;  // Choice: the names, separated by single spaces
    unsigned Commands = kForReduce;
    const char* Help = nullptr;  // null: not listed; '\n' starts a continuation line
    void (*ToParse)(TParseState&, const TValue&) = nullptr;
    void (*ToRecord)(TSettingsRecord&, const TValue&) = nullptr;
};

TPaletteSizeButton ButtonForColors(int colors) {
    switch (colors) {
        case 256:
            return RadioButton8bit;
        case 16:
            return RadioButton4bit;
        case 2:
            return RadioButton1bit;
        default:
            return RadioButtonPalette;
    }
}

using TV = const TValue&;
using TR = TSettingsRecord&;
using TP = TParseState&;

// The usage lists the options in this order, grouped by the commands they
// apply to.
constexpr TOptionSpec kOptions[] = {
    {.Short = 'o',
     .Long = "--output-dir",
     .Arg = "DIR",
     .Kind = TValueKind::Folder,
     .Help = "output folder (the current directory)",
     .ToParse = [](TP s, TV v) { s.Options.OutputDir = v.Text; }},
    {.Short = 'f',
     .Long = "--format",
     .Arg = "FMT",
     .Kind = TValueKind::Choice,
     .Choices = "bmp png gif",
     .Help = "bmp, png or gif (bmp)",
     .ToRecord = [](TR r,
                    TV v) { r.BatchFormatButton = static_cast<TBatchFormatButton>(v.Number); }},
    {.Short = 'c',
     .Long = "--colors",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 2,
     .High = 256,
     .Help = "palette size, 2..256 (256)",
     .ToRecord =
         [](TR r, TV v) {
             r.PaletteSizeButton = ButtonForColors(v.Number);
             if (r.PaletteSizeButton == RadioButtonPalette) {
                 r.UpDownValue = v.Number;
             }
         }},
    {.Long = "--fixed16",
     .Help = "add the 16 fixed colours",
     .ToRecord = [](TR r, TV) { r.CheckBoxAdd16 = true; }},
    {.Long = "--transparent",
     .Arg = "CORNER",
     .Kind = TValueKind::Choice,
     .Choices = "tl bl tr br",
     .Help = "keep a palette entry for the colour of corner tl, bl, tr or br",
     .ToRecord =
         [](TR r, TV v) {
             r.CheckBoxTrans = true;
             r.TransCornerButton = static_cast<TTransCornerButton>(v.Number);
         }},
    {.Short = 'd',
     .Long = "--dither",
     .Arg = "MODE",
     .Kind = TValueKind::Choice,
     .Choices = "none gpeanos diffusefs maem anime",
     .Help = "none, gpeanos, diffusefs, maem or anime (diffusefs)",
     .ToRecord = [](TR r, TV v) { r.ComboBoxDither = v.Number; }},
    {.Long = "--depth",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 10,
     .Help = "dither depth, 0..10 (7)",
     .ToRecord = [](TR r, TV v) { r.TrackBarDither = v.Number; }},
    {.Long = "--spread",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 64,
     .Help = "Anime spread, 0..64 (16)",
     .ToRecord = [](TR r, TV v) { r.UpDownDitherOption = v.Number; }},
    {.Long = "--output-fix",
     .Arg = "GRID",
     .Kind = TValueKind::Choice,
     .Choices = "web 444 555 655 666 777 888",
     .Help = "web, 444, 555, 655, 666, 777 or 888 (888)",
     .ToRecord = [](TR r, TV v) { r.ComboBoxPaletteVolume = v.Number; }},
    {.Long = "--source-bits",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 5,
     .High = 8,
     .Help = "source precision, 5, 6, 7 or 8 (8)",
     .ToRecord = [](TR r, TV v) { r.ComboBoxTrim = v.Number - 5; }},
    {.Long = "--weights",
     .Arg = "CB,CR,CG",
     .Kind = TValueKind::Triple,
     .Low = 0,
     .High = 20,
     .Help = "colour weights, slider positions 0..20 each (10,10,10)",
     .ToRecord =
         [](TR r, TV v) {
             r.TrackBarCb = v.Numbers[0];
             r.TrackBarCr = v.Numbers[1];
             r.TrackBarCg = v.Numbers[2];
         }},
    {.Long = "--integrated",
     .Help = "one shared palette for all files",
     .ToParse = [](TP s, TV) { s.Options.Integrated = true; }},
    {.Short = 'j',
     .Long = "--jobs",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 64,
     .Help = "files reduced at once, 1..64, 0 one per core (1); outputs and\n"
             "log as with 1; --integrated allows only 1",
     .ToParse = [](TP s, TV v) { s.Options.Jobs = v.Number; }},
    {.Long = "--gif-type",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 3,
     .Help = "0 87a, 1 87a interlaced, 2 89a, 3 89a interlaced (0)",
     .ToRecord = [](TR r, TV v) { r.ComboBoxGIF = v.Number; }},
    {.Long = "--png-interlace",
     .Help = "write Adam7-interlaced PNG files",
     .ToRecord = [](TR r, TV) { r.CheckBoxPNGinterlace = true; }},
    {.Long = "--png-filters",
     .Arg = "MODE",
     .Kind = TValueKind::Choice,
     .Choices = "adaptive none",
     .Commands = kForReduce | kForConvert,
     .Help = "adaptive: libpng picks a row filter per row, for full colour;\n"
             "none: filter type 0 on every row, for reduced pictures (adaptive)",
     .ToParse = [](TP s, TV v) { s.Options.Png.AdaptiveFilters = v.Number == 0; }},
    {.Long = "--png-level",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 9,
     .Commands = kForReduce | kForConvert,
     .Help = "zlib compression level, 0..9 (9)",
     .ToParse = [](TP s, TV v) { s.Options.Png.Level = v.Number; }},
    {.Short = 'q',
     .Long = "--quiet",
     .Help = "no log",
     .ToParse = [](TP s, TV) { s.Options.Quiet = true; }},
    {.Long = "--settings",
     .Arg = "FILE",
     .Kind = TValueKind::Text,
     .Commands = kForEvery,
     .Help = "take the settings from a Zinop.ini of version 35 (options\n"
             "given here override it); its section \"plugins\" disables plug-ins\n"
             "(without it: those disabled in the program's own Zinop.ini)",
     .ToParse = [](TP s, TV v) { s.Options.SettingsFile = v.Text; }},
    {.Long = "--plugins",
     .Arg = "DIR",
     .Kind = TValueKind::Text,
     .Commands = kForEvery,
     .Help = "plug-in folder (the folder of zinop-cli when it holds plug-ins,\n"
             "else the installed plug-in folder)",
     .ToParse = [](TP s, TV v) { s.Options.PluginsDir = v.Text; }},
    {.Short = 'h',
     .Long = "--help",
     .Commands = kForEvery,
     .ToParse = [](TP s, TV) { s.HelpOrVersion = s.HelpOrVersion.value_or(TCliCommand::Help); }},
    {.Long = "--version",
     .Commands = kForEvery,
     .ToParse = [](TP s, TV) { s.HelpOrVersion = s.HelpOrVersion.value_or(TCliCommand::Version); }},
    {.Long = "--alpha-threshold",
     .Arg = "N",
     .Kind = TValueKind::Whole,
     .Low = 1,
     .High = 255,
     .Help = "pixels whose alpha is below N are transparent, 1..255 (128)",
     .ToRecord =
         [](TR r, TV v) {
             r.CheckBoxAlpha = true;
             r.UpDownAlphaThreshold = v.Number;
         }},
    {.Long = "--ignore-alpha",
     .Help = "treat every pixel as opaque, whatever its alpha",
     .ToRecord = [](TR r, TV) { r.CheckBoxAlpha = false; }},
    {.Long = "--palette",
     .Arg = "FILE",
     .Kind = TValueKind::Folder,
     .Help = "map to the colours of FILE (.gpl .pal .act .hex, a text list,\n"
             "an indexed PNG, GIF or BMP) in its order; nothing is built",
     .ToRecord =
         [](TR r, TV v) {
             r.RadioButtonPaletteFile = true;
             r.EditPaletteFile = std::string(v.Text);
         }},
    {.Long = "--lock",
     .Arg = "COLOURS|FILE",
     .Kind = TValueKind::Text,
     .Help = "colours the palette must hold, \"#rrggbb,#rrggbb\" or a palette file",
     .ToRecord = [](TR r, TV v) { r.EditLockedColors = std::string(v.Text); }},
    {.Long = "--save-palette",
     .Help = "write each output's palette beside it (and palette.EXT once\n"
             "with --integrated)",
     .ToParse = [](TP s, TV) { s.Options.SavePalette = true; }},
    {.Long = "--palette-format",
     .Arg = "FMT",
     .Kind = TValueKind::Choice,
     .Choices = "gpl pal act hex",
     .Help = "gpl, pal, act or hex (gpl)",
     .ToParse = [](TP s, TV v) { s.Options.PaletteFormat = v.Number; }},
    {.Long = "--refine",
     .Arg = "LEVEL",
     .Kind = TValueKind::Whole,
     .Low = 0,
     .High = 3,
     .Help = "palette refinement, 0 off .. 3 best (0); slower, closer colours",
     .ToRecord = [](TR r, TV v) { r.ComboBoxRefine = v.Number; }},
};

const TOptionSpec* FindOption(std::string_view name) {
    for (const TOptionSpec& option : kOptions) {
        if (name == option.Long ||
            (option.Short != 0 && name.size() == 2 && name[0] == '-' && name[1] == option.Short)) {
            return &option;
        }
    }
    return nullptr;
}

bool ParseWhole(std::string_view text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result < low || result > high) {
        return false;
    }
    value = result;
    return true;
}

bool ParseTriple(std::string_view text, int low, int high, std::array<int, 3>& numbers) {
    for (size_t i = 0; i < 3; ++i) {
        const size_t comma = text.find(',');
        const bool last = i == 2;
        if (last != (comma == std::string_view::npos) ||
            !ParseWhole(text.substr(0, comma), low, high, numbers[i])) {
            return false;
        }
        text = last ? std::string_view() : text.substr(comma + 1);
    }
    return true;
}

// The first name of a space-separated list; rest moves past it.
std::string_view NextChoice(std::string_view& rest) {
    const size_t space = rest.find(' ');
    const std::string_view name = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return name;
}

int ChoiceIndex(const TOptionSpec& option, std::string_view text) {
    std::string_view rest = option.Choices;
    for (int index = 0; !rest.empty(); ++index) {
        if (NextChoice(rest) == text) {
            return index;
        }
    }
    return -1;
}

// "a, b or c".
std::string ChoiceList(const TOptionSpec& option) {
    std::string_view rest = option.Choices;
    std::string list(NextChoice(rest));
    while (!rest.empty()) {
        const std::string_view name = NextChoice(rest);
        list += (rest.empty() ? " or " : ", ") + std::string(name);
    }
    return list;
}

std::string Range(const TOptionSpec& option) {
    return std::to_string(option.Low) + ".." + std::to_string(option.High);
}

// Checks text as the value of option; false with the message in error.
bool ReadValue(const TOptionSpec& option, std::string_view text, TValue& value,
               std::string& error) {
    std::string expected;
    switch (option.Kind) {
        case TValueKind::Whole:
            if (ParseWhole(text, option.Low, option.High, value.Number)) return true;
            expected = "a whole number in " + Range(option);
            break;
        case TValueKind::Choice:
            value.Number = ChoiceIndex(option, text);
            if (value.Number >= 0) return true;
            expected = ChoiceList(option);
            break;
        case TValueKind::Triple:
            if (ParseTriple(text, option.Low, option.High, value.Numbers)) return true;
            expected = std::string(option.Arg) + ", three whole numbers in " + Range(option);
            break;
        case TValueKind::Folder:
            value.Text = text;
            if (!text.empty()) return true;
            error = std::string(option.Long) + ": expected a folder";
            return false;
        default:
            value.Text = text;
            return true;
    }
    error =
        std::string(option.Long) + ": expected " + expected + ", got '" + std::string(text) + "'";
    return false;
}

void Apply(const TOptionSpec& option, const TValue& value, TParseState& state) {
    if (option.ToParse != nullptr) {
        option.ToParse(state, value);
    } else {
        state.Options.Changes.push_back(
            [store = option.ToRecord, value](TSettingsRecord& r) { store(r, value); });
    }
}

bool ParseCommandName(std::string_view word, TCliCommand& command) {
    if (word == "reduce") {
        command = TCliCommand::Reduce;
    } else if (word == "convert") {
        command = TCliCommand::Convert;
    } else if (word == "info") {
        command = TCliCommand::Info;
    } else if (word == "plugins") {
        command = TCliCommand::Plugins;
    } else if (word == "palette") {
        command = TCliCommand::Palette;
    } else {
        return false;
    }
    return true;
}

unsigned CommandBit(TCliCommand command) {
    switch (command) {
        case TCliCommand::Reduce:
            return kForReduce;
        case TCliCommand::Convert:
            return kForConvert;
        case TCliCommand::Info:
            return kForInfo;
        case TCliCommand::Palette:
            return kForReduce | kForPalette;
        default:
            return kForPlugins;
    }
}

std::string CommandsText(unsigned commands) {
    return commands == kForReduce ? "reduce" : "reduce and convert";
}

bool CheckFileCount(const TCliOptions& options, std::string& error) {
    const size_t count = options.Files.size();
    switch (options.Command) {
        case TCliCommand::Reduce:
            if (count == 0) {
                error = "reduce: expected at least one FILE";
                return false;
            }
            return true;
        case TCliCommand::Convert:
            if (count != 2) {
                error = "convert: expected IN and OUT";
                return false;
            }
            return true;
        case TCliCommand::Info:
            if (count != 1) {
                error = "info: expected one FILE";
                return false;
            }
            return true;
        case TCliCommand::Palette:
            if (count < 2) {
                error = "palette: expected PALETTE and at least one FILE";
                return false;
            }
            if (!PaletteFormatOfPath(options.Files.front())) {
                error = "palette: PALETTE must end in .gpl, .pal, .act or .hex";
                return false;
            }
            return true;
        case TCliCommand::Plugins:
            if (count != 0) {
                error = "plugins: takes no FILE";
                return false;
            }
            return true;
        default:
            return true;
    }
}

// Splits "--name=value" and "-cVALUE"; returns the option's name.
std::string_view SplitInlineValue(std::string_view arg, std::string_view& value, bool& hasValue) {
    hasValue = false;
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') {
        const size_t equals = arg.find('=');
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
            hasValue = true;
            return arg.substr(0, equals);
        }
        return arg;
    }
    if (arg.size() > 2 && arg[0] == '-') {
        value = arg.substr(2);
        hasValue = true;
        return arg.substr(0, 2);
    }
    return arg;
}

// "  -o, --output-dir DIR      output folder ...": the help starts in
// column 28, continuation lines too.
void AppendUsageLine(const TOptionSpec& option, std::string& text) {
    constexpr size_t kHelpColumn = 28;
    std::string names = option.Short != 0 ? std::string("  -") + option.Short + ", " : "      ";
    names += option.Long;
    if (option.Arg != nullptr) {
        names += std::string(" ") + option.Arg;
    }
    names.append(names.size() + 2 > kHelpColumn ? 2 : kHelpColumn - names.size(), ' ');
    std::string_view help = option.Help;
    for (size_t end; (end = help.find('\n')) != std::string_view::npos;) {
        text += names + std::string(help.substr(0, end)) + "\n";
        names.assign(kHelpColumn, ' ');
        help.remove_prefix(end + 1);
    }
    text += names + std::string(help) + "\n";
}

void AppendUsageSection(const char* heading, unsigned commands, std::string& text) {
    text += heading;
    for (const TOptionSpec& option : kOptions) {
        if (option.Commands == commands && option.Help != nullptr) {
            AppendUsageLine(option, text);
        }
    }
}

std::string BuildUsage() {
    std::string text = R"(Usage:
  zinop-cli reduce [options] FILE...  reduce each FILE into the output folder
  zinop-cli convert IN OUT            load IN as the program does and save it full colour:
                                      OUT ending in .bmp (24-bit) or .png (RGB)
  zinop-cli info FILE                 print "W x H / N color(s)." as the Property command does
  zinop-cli plugins                   list the plug-ins of the plug-in folder and their state
  zinop-cli palette [options] PALETTE FILE...
                                      write the palette reduce would build for the FILEs
                                      (several: the --integrated one) to PALETTE (.gpl,
                                      .pal, .act or .hex); takes the options of reduce
  zinop-cli --help | --version

)";
    AppendUsageSection(
        "Options of reduce (each default is the settings dialog's first-start value):\n",
        kForReduce, text);
    AppendUsageSection("\nOptions of reduce and convert (PNG files):\n", kForReduce | kForConvert,
                       text);
    AppendUsageSection("\nOptions of every command:\n", kForEvery, text);
    text += R"(
Output name: output folder + file name without extension + .bmp, .png or .gif.

Which PNG settings: reduced pictures (reduce -f png) are much smaller with
--png-filters none, and at --png-level 6 also written fastest. On the 12 MP
test card, 256 colours, PNG in and out:
  adaptive, level 9 (default)  4.31 MB  4.1 s
  none, level 9                2.57 MB  6.5 s   the smallest
  none, level 6                2.67 MB  1.4 s   the fastest that stays small
  pngquant 256                 2.87 MB  6.8 s
Full-colour pictures (convert) compress better with adaptive filters.
)";
    text += "Pictures of up to " + std::to_string(kMaxPicturePixels) +
            " pixels (16384 x 16384) are read; larger ones are refused.\n";
    text += R"(Exit status: 0 every file written; 1 a file could not be loaded or saved, or was
not written because its output would overwrite a file of the run or an earlier
result, or the output folder is missing, or the --settings file cannot be read;
2 usage error; 128 + the signal when
interrupted: 130 Ctrl+C (SIGINT), 143 SIGTERM, 129 SIGHUP (the file being saved
is finished first). Each failure also prints one line on stderr, also with -q.
)";
    return text;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, TCliOptions& options, std::string& error) {
    options = TCliOptions{};
    TParseState state{options, std::nullopt};
    bool haveCommand = false;
    bool onlyFiles = false;
    std::vector<const TOptionSpec*> given;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            if (haveCommand) {
                options.Files.emplace_back(arg);
            } else if (ParseCommandName(arg, options.Command)) {
                haveCommand = true;
            } else {
                error = "unknown command '" + std::string(arg) + "'";
                return false;
            }
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        std::string_view text;
        bool hasValue = false;
        const std::string_view name = SplitInlineValue(arg, text, hasValue);
        const TOptionSpec* option = FindOption(name);
        if (option == nullptr) {
            error = "unknown option " + std::string(name);
            return false;
        }
        given.push_back(option);
        if (option->Kind == TValueKind::Flag) {
            if (hasValue) {
                error = std::string(option->Long) + " takes no value";
                return false;
            }
        } else if (!hasValue) {
            if (i + 1 >= argc) {
                error = std::string(option->Long) + ": expected a value";
                return false;
            }
            text = argv[++i];
        }
        TValue value;
        if (option->Kind != TValueKind::Flag && !ReadValue(*option, text, value, error)) {
            return false;
        }
        Apply(*option, value, state);
    }
    if (state.HelpOrVersion) {
        options.Command = *state.HelpOrVersion;
        return true;
    }
    if (!haveCommand) {
        error = "expected a command: reduce, convert, info, plugins or palette";
        return false;
    }
    for (const TOptionSpec* option : given) {
        if ((option->Commands & CommandBit(options.Command)) == 0) {
            error = std::string(option->Long) + " applies to " + CommandsText(option->Commands) +
                    " only";
            return false;
        }
    }
    // -j 1 is the integrated run's own way and so is accepted with it.
    if (options.Integrated && options.Jobs != 1) {
        error = "--integrated and --jobs " + std::to_string(options.Jobs) +
                " cannot be combined: an integrated run is one job with one palette";
        return false;
    }
    return CheckFileCount(options, error);
}

void ApplyOptions(const TCliOptions& options, TSettingsRecord& record) {
    for (const auto& change : options.Changes) {
        change(record);
    }
}

const char* UsageText() {
    static const std::string usage = BuildUsage();
    return usage.c_str();
}
