#include "engine/palette_choice.h"

#include "config/regular_file.h"

bool ReadColorsFromListOrFile(const std::string& text, std::vector<ColorValue>& colors,
                              TPaletteChoiceError& error) {
    TPaletteError listError;
    if (ParseColorList(text, colors, listError)) return true;
    if (!IsRegularFile(text)) {
        error.File.clear();
        error.Error = listError;
        return false;
    }
    error.File = text;
    return ReadPaletteFile(text, colors, error.Error);
}

bool ResolvePaletteChoice(TSettingsRecord& settings, TPaletteChoiceError& error) {
    error = {};
    settings.FilePaletteColors.clear();
    settings.LockedColorValues.clear();
    std::vector<ColorValue> colors;
    const int transEntries = settings.CheckBoxTrans ? 1 : 0;
    if (settings.RadioButtonPaletteFile) {
        error.File = settings.EditPaletteFile;
        if (!ReadPaletteFile(settings.EditPaletteFile, colors, error.Error)) return false;
        if (static_cast<int>(colors.size()) + transEntries > 256) {
            error.NoRoomForTransparent = true;
            return false;
        }
        settings.FilePaletteColors.assign(colors.begin(), colors.end());
        error.File.clear();
    }
    error.Locked = true;
    if (!ReadColorsFromListOrFile(settings.EditLockedColors, colors, error)) {
        settings.FilePaletteColors.clear();
        return false;
    }
    const int room = 256 - transEntries - (settings.CheckBoxAdd16 ? 16 : 0);
    if (!settings.RadioButtonPaletteFile && static_cast<int>(colors.size()) > room) {
        error.Error = TPaletteError{TPaletteProblem::TooMany, 0, 0};
        return false;
    }
    settings.LockedColorValues.assign(colors.begin(), colors.end());
    error = {};
    return true;
}

std::string PaletteChoiceErrorText(const TPaletteChoiceError& error, bool english) {
    std::string text;
    if (!error.File.empty()) text = error.File + ": ";
    else if (error.Locked) text = english ? "locked colours: " : "固定する色: ";
    if (error.NoRoomForTransparent)
        return text + (english ? "256 colours leave no room for the transparent entry"
                               : "256 色では透明色の入る場所がありません");
    if (error.Locked && error.Error.Problem == TPaletteProblem::TooMany && error.File.empty())
        return text + (english ? "more colours than the palette can hold"
                               : "パレットに入りきらない数の色です");
    std::string reason = PaletteErrorText(error.Error, english);
    if (error.File.empty() && error.Error.Line > 0) {
        // In a typed list the "line" is the item's position.
        const std::string prefix = (english ? "line " : "行 ");
        if (reason.compare(0, prefix.size(), prefix) == 0)
            reason = (english ? "item " : "項目 ") + reason.substr(prefix.size());
    }
    return text + reason;
}
