#pragma once
// Turns the palette choices of the settings record (a palette file, locked
// colours typed as a list or named by a file) into colours, before
// FillReduceJob copies them into a job. The front ends call it and report a
// failure with the file name and the reason.

#include <string>
#include <vector>

#include "config/settings_record.h"
#include "formats/palette_file.h"

struct TPaletteChoiceError {
    std::string File;     // the palette file at fault; empty for the typed list
    bool Locked = false;  // the locked colours (list or file), not the palette file
    TPaletteError Error;
    bool NoRoomForTransparent = false;  // 256 file colours with transparency on
};

// Reads settings.EditPaletteFile when RadioButtonPaletteFile is set (into
// FilePaletteColors) and EditLockedColors (into LockedColorValues): a list
// "#rrggbb,..." or, when it is no list, the name of a palette file. Refuses
// 256 file colours with transparency on, and more locked colours than the
// palette can hold (with the fixed 16 and the transparent entry). On failure
// both colour lists are left empty.
bool ResolvePaletteChoice(TSettingsRecord& settings, TPaletteChoiceError& error);

// "FILE: line 3: value out of range 0..255" and the like, in English or
// Japanese.
std::string PaletteChoiceErrorText(const TPaletteChoiceError& error, bool english = true);

// Reads text as a colour list or, failing that, as a palette file.
bool ReadColorsFromListOrFile(const std::string& text, std::vector<ColorValue>& colors,
                              TPaletteChoiceError& error);
