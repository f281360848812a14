#include "cli/cli_options.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {

using TChange = std::function<void(TSettingsRecord&)>;

// One value the user gave: either a record change, or a message.
struct TParsed {
    bool Ok = false;
    TChange Change;
};

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

// Index of text in names, or -1.
template <size_t N>
int IndexOf(std::string_view text, const std::array<const char*, N>& names) {
    for (size_t i = 0; i < N; ++i) {
        if (text == names[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Got(std::string_view value) { return ", got '" + std::string(value) + "'"; }

constexpr std::array<const char*, 4> kCorners = {"tl", "bl", "tr", "br"};
constexpr std::array<const char*, 5> kDithers = {"none", "gpeanos", "diffusefs", "maem", "anime"};
constexpr std::array<const char*, 7> kGrids = {"web", "444", "555", "655", "666", "777", "888"};
constexpr std::array<const char*, 3> kFormats = {"bmp", "png", "gif"};

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

// A whole-number option: the record field is set by store.
bool WholeOption(std::string_view name, std::string_view value, int low, int high,
                 void (*store)(TSettingsRecord&, int), TCliOptions& options, std::string& error) {
    int number = 0;
    if (!ParseWhole(value, low, high, number)) {
        error = std::string(name) + ": expected a whole number in " + std::to_string(low) + ".." +
                std::to_string(high) + Got(value);
        return false;
    }
    options.Changes.push_back([store, number](TSettingsRecord& r) { store(r, number); });
    return true;
}

// A choice among names: the record field is set by store with the index.
template <size_t N>
bool ChoiceOption(std::string_view name, std::string_view value,
                  const std::array<const char*, N>& names, const char* allowed,
                  void (*store)(TSettingsRecord&, int), TCliOptions& options, std::string& error) {
    const int index = IndexOf(value, names);
    if (index < 0) {
        error = std::string(name) + ": expected " + allowed + Got(value);
        return false;
    }
    options.Changes.push_back([store, index](TSettingsRecord& r) { store(r, index); });
    return true;
}

bool WeightsOption(std::string_view value, TCliOptions& options, std::string& error) {
    std::array<int, 3> positions{};
    std::string_view rest = value;
    bool ok = true;
    for (size_t i = 0; i < 3 && ok; ++i) {
        const size_t comma = rest.find(',');
        const bool last = i == 2;
        if (last != (comma == std::string_view::npos)) {
            ok = false;
            break;
        }
        ok = ParseWhole(rest.substr(0, comma), 0, 20, positions[i]);
        rest = last ? std::string_view() : rest.substr(comma + 1);
    }
    if (!ok) {
        error = "--weights: expected CB,CR,CG, three whole numbers in 0..20" + Got(value);
        return false;
    }
    options.Changes.push_back([positions](TSettingsRecord& r) {
        r.TrackBarCb = positions[0];
        r.TrackBarCr = positions[1];
        r.TrackBarCg = positions[2];
    });
    return true;
}

// Options that take a value. Returns false with error set on a bad value.
bool ValueOption(std::string_view name, std::string_view value, TCliOptions& options,
                 std::string& error) {
    if (name == "--output-dir") {
        if (value.empty()) {
            error = "--output-dir: expected a folder";
            return false;
        }
        options.OutputDir = value;
        return true;
    }
    if (name == "--settings") {
        options.SettingsFile = value;
        return true;
    }
    if (name == "--plugins") {
        options.PluginsDir = value;
        return true;
    }
    if (name == "--format") {
        return ChoiceOption(name, value, kFormats, "bmp, png or gif",
                            [](TSettingsRecord& r, int i) {
                                r.BatchFormatButton = static_cast<TBatchFormatButton>(i);
                            },
                            options, error);
    }
    if (name == "--colors") {
        return WholeOption(name, value, 2, 256,
                           [](TSettingsRecord& r, int n) {
                               r.PaletteSizeButton = ButtonForColors(n);
                               if (r.PaletteSizeButton == RadioButtonPalette) {
                                   r.UpDownValue = n;
                               }
                           },
                           options, error);
    }
    if (name == "--transparent") {
        return ChoiceOption(name, value, kCorners, "tl, bl, tr or br",
                            [](TSettingsRecord& r, int i) {
                                r.CheckBoxTrans = true;
                                r.TransCornerButton = static_cast<TTransCornerButton>(i);
                            },
                            options, error);
    }
    if (name == "--dither") {
        return ChoiceOption(name, value, kDithers, "none, gpeanos, diffusefs, maem or anime",
                            [](TSettingsRecord& r, int i) { r.ComboBoxDither = i; }, options,
                            error);
    }
    if (name == "--depth") {
        return WholeOption(name, value, 0, 10,
                           [](TSettingsRecord& r, int n) { r.TrackBarDither = n; }, options, error);
    }
    if (name == "--spread") {
        return WholeOption(name, value, 0, 64,
                           [](TSettingsRecord& r, int n) { r.UpDownDitherOption = n; }, options,
                           error);
    }
    if (name == "--output-fix") {
        return ChoiceOption(name, value, kGrids, "web, 444, 555, 655, 666, 777 or 888",
                            [](TSettingsRecord& r, int i) { r.ComboBoxPaletteVolume = i; },
                            options, error);
    }
    if (name == "--source-bits") {
        return WholeOption(name, value, 5, 8,
                           [](TSettingsRecord& r, int n) { r.ComboBoxTrim = n - 5; }, options,
                           error);
    }
    if (name == "--weights") {
        return WeightsOption(value, options, error);
    }
    if (name == "--gif-type") {
        return WholeOption(name, value, 0, 3,
                           [](TSettingsRecord& r, int n) { r.ComboBoxGIF = n; }, options, error);
    }
    error = "unknown option " + std::string(name);
    return false;
}

struct TOptionName {
    char Short;  // 0: none
    const char* Long;
    bool TakesValue;
    bool ReduceOnly;
};

constexpr TOptionName kOptions[] = {
    {'o', "--output-dir", true, true},   {'f', "--format", true, true},
    {'c', "--colors", true, true},       {0, "--fixed16", false, true},
    {0, "--transparent", true, true},    {'d', "--dither", true, true},
    {0, "--depth", true, true},          {0, "--spread", true, true},
    {0, "--output-fix", true, true},     {0, "--source-bits", true, true},
    {0, "--weights", true, true},        {0, "--integrated", false, true},
    {'q', "--quiet", false, true},       {0, "--gif-type", true, true},
    {0, "--png-interlace", false, true}, {0, "--settings", true, false},
    {0, "--plugins", true, false},       {'h', "--help", false, false},
    {0, "--version", false, false},
};

const TOptionName* FindOption(std::string_view name) {
    for (const TOptionName& option : kOptions) {
        if (name == option.Long ||
            (option.Short != 0 && name.size() == 2 && name[0] == '-' && name[1] == option.Short)) {
            return &option;
        }
    }
    return nullptr;
}

bool FlagOption(std::string_view name, TCliOptions& options) {
    if (name == "--fixed16") {
        options.Changes.push_back([](TSettingsRecord& r) { r.CheckBoxAdd16 = true; });
    } else if (name == "--png-interlace") {
        options.Changes.push_back([](TSettingsRecord& r) { r.CheckBoxPNGinterlace = true; });
    } else if (name == "--integrated") {
        options.Integrated = true;
    } else if (name == "--quiet") {
        options.Quiet = true;
    } else if (name == "--help" || name == "--version") {
        return true;
    }
    return false;
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
    } else {
        return false;
    }
    return true;
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

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, TCliOptions& options,
                      std::string& error) {
    options = TCliOptions{};
    bool haveCommand = false;
    const char* helpOrVersion = nullptr;  // the first of --help, --version
    bool onlyFiles = false;
    const char* reduceOption = nullptr;  // first reduce-only option seen
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
        std::string_view value;
        bool hasValue = false;
        const std::string_view name = SplitInlineValue(arg, value, hasValue);
        const TOptionName* option = FindOption(name);
        if (option == nullptr) {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (option->ReduceOnly && reduceOption == nullptr) {
            reduceOption = option->Long;
        }
        if (!option->TakesValue) {
            if (hasValue) {
                error = std::string(option->Long) + " takes no value";
                return false;
            }
            if (FlagOption(option->Long, options) && helpOrVersion == nullptr) {
                helpOrVersion = option->Long;
            }
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = std::string(option->Long) + ": expected a value";
                return false;
            }
            value = argv[++i];
        }
        if (!ValueOption(option->Long, value, options, error)) {
            return false;
        }
    }
    if (helpOrVersion != nullptr) {
        options.Command = std::string_view(helpOrVersion) == "--help" ? TCliCommand::Help
                                                                      : TCliCommand::Version;
        return true;
    }
    if (!haveCommand) {
        error = "expected a command: reduce, convert, info or plugins";
        return false;
    }
    if (reduceOption != nullptr && options.Command != TCliCommand::Reduce) {
        error = std::string(reduceOption) + " applies to reduce only";
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
    return R"(Usage:
  zinop-cli reduce [options] FILE...  reduce each FILE into the output folder
  zinop-cli convert IN OUT            load IN as the program does and save it full colour:
                                      OUT ending in .bmp (24-bit) or .png (RGB)
  zinop-cli info FILE                 print "W x H / N color(s)." as the Property command does
  zinop-cli plugins                   list the plug-ins of the plug-in folder and their state
  zinop-cli --help | --version

Options of reduce (each default is the settings dialog's first-start value):
  -o, --output-dir DIR      output folder (the current directory)
  -f, --format FMT          bmp, png or gif (bmp)
  -c, --colors N            palette size, 2..256 (256)
      --fixed16             add the 16 fixed colours
      --transparent CORNER  keep a palette entry for the colour of corner tl, bl, tr or br
  -d, --dither MODE         none, gpeanos, diffusefs, maem or anime (diffusefs)
      --depth N             dither depth, 0..10 (7)
      --spread N            Anime spread, 0..64 (16)
      --output-fix GRID     web, 444, 555, 655, 666, 777 or 888 (888)
      --source-bits N       source precision, 5, 6, 7 or 8 (8)
      --weights CB,CR,CG    colour weights, slider positions 0..20 each (10,10,10)
      --integrated          one shared palette for all files
      --gif-type N          0 87a, 1 87a interlaced, 2 89a, 3 89a interlaced (0)
      --png-interlace       write Adam7-interlaced PNG files
  -q, --quiet               no log

Options of every command:
      --settings FILE       take the settings from a Zinop.ini of version 35 (options
                            given here override it); its section "plugins" disables plug-ins
                            (without it: those disabled in the program's own Zinop.ini)
      --plugins DIR         plug-in folder (the folder of zinop-cli when it holds plug-ins,
                            else the installed plug-in folder)

Output name: output folder + file name without extension + .bmp, .png or .gif.
Exit status: 0 every file written, 1 a file could not be loaded or saved,
2 usage error, 130 interrupted (Ctrl+C).
)";
}
