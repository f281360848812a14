#pragma once
// The command line of zinop-cli: which command, its file arguments, and the
// options. Reduction options become changes to a TSettingsRecord, so that a
// run goes through FillReduceJob exactly as the program's own reduce command
// does; they are applied after an optional --settings file, so the command
// line always wins.

#include <functional>
#include <string>
#include <vector>

#include "config/settings_record.h"
#include "formats/png_writer.h"

enum class TCliCommand { Reduce, Convert, Info, Plugins, Help, Version, Palette };

struct TCliOptions {
    TCliCommand Command = TCliCommand::Help;
    std::vector<std::string> Files;  // reduce: FILE...; convert: IN OUT; info: FILE
    std::string OutputDir;           // -o; empty: the current directory
    std::string SettingsFile;        // --settings; empty: none
    std::string PluginsDir;          // --plugins; empty: the folder of zinop-cli
    bool Quiet = false;
    bool Integrated = false;
    int Jobs = 1;          // -j: files reduced at once, 1..64; 0: one per core
    TPngWriteOptions Png;  // --png-filters, --png-level: reduce and convert
    // Record changes in command-line order, each already checked.
    std::vector<std::function<void(TSettingsRecord&)>> Changes;
    bool SavePalette = false;  // --save-palette
    int PaletteFormat = 0;     // --palette-format: TPaletteFormat (0 gpl)
};

// Parses argv[1..argc-1]. False with a one-line message naming the option
// and its allowed values (or what is missing) in error.
bool ParseCommandLine(int argc, const char* const* argv, TCliOptions& options, std::string& error);

// Applies the changes of options to record, in order.
void ApplyOptions(const TCliOptions& options, TSettingsRecord& record);

// The full usage text, ending in a line break.
const char* UsageText();
