#pragma once
// The commands of zinop-cli. Each returns the process exit status.

#include <string>

#include "cli/cli_options.h"
#include "config/settings_record.h"
#include "engine/batch.h"
#include "formats/picture.h"

inline constexpr int kExitOk = 0;             // every file written
inline constexpr int kExitFailed = 1;         // a file could not be loaded or saved
inline constexpr int kExitUsage = 2;          // usage error
// The second line of every usage error.
inline constexpr const char* kTryHelp = "Try 'zinop-cli --help'.";
inline constexpr int kExitInterrupted = 130;  // Ctrl+C (128 + SIGINT); SIGTERM 143, SIGHUP 129

// Reduces options.Files with settings as a per-file or integrated batch run,
// printing the run's log on stdout (unless quiet) and a progress bar on
// stderr when it is a terminal. 0 when every file was written; 1 when a file
// could not be loaded or saved, was skipped (its output would overwrite it)
// or the run was aborted; 128 + the signal after SIGINT (130), SIGTERM
// (143) or SIGHUP (129). Every failed, skipped or unreadable file also gets
// one line on stderr, with -q too. A missing output folder fails (1) before
// the first file is loaded.
int RunReduce(const TCliOptions& options, TSettingsRecord settings);

// Loads IN and writes it full colour to OUT: .bmp 24-bit, .png RGB (case
// does not matter); any other extension, .gif included (GIF holds only
// reduced pictures), is a usage error (2) found before IN is loaded.
int RunConvert(const TCliOptions& options);

// Prints "W x H / N color(s)." for FILE.
int RunInfo(const TCliOptions& options);

// Lists every "*.spi" file of the plug-in folder with its state and info texts.
int RunPlugins(const TCliOptions& options);

// Distinct colours in the picture: for full-colour pictures the distinct
// pixel values, for indexed pictures the distinct indexes used; 0 otherwise.
int CountDistinctColors(const TPictureRecord& record);

// "W x H / N color(s)." in the current language.
std::string PropertyText(const TPictureRecord& record, int colors);

// Writes to Files[0] (.gpl, .pal, .act or .hex) the palette reduce would
// build for Files[1..] with settings (one file: its palette; several: the
// integrated palette), without the transparent entry, which reduce --palette
// appends. Counts each picture's colours and merges the counts, so memory
// grows with the distinct colours, not with pixels or files. 0 written; 1 a
// file could not be loaded (the others are used) or the palette not written.
int RunPalette(const TCliOptions& options, TSettingsRecord settings);

// Reads the palette file and locked colours the settings name; on failure
// prints why on stderr, sets status (2 a bad typed list, else 1), false.
bool ResolveCliPaletteChoice(TSettingsRecord& settings, int& status);

// save, then (with --save-palette) the output's palette beside it under the
// same name with the --palette-format extension; with --integrated also once
// "palette.EXT" in the output folder, without the transparent entry.
TBatchSaver WithPaletteFiles(TBatchSaver save, const TCliOptions& options);
