#include "config/settings.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "config/ini_file.h"
#include "config/paths.h"
#include "config/regular_file.h"
#include "config/texts.h"

namespace {

const std::string kSection = kSettingsSection;
constexpr int kOpenFilterCount = 2;  // all files, BMP
constexpr int kSaveFilterCount = 4;  // all files, BMP, PNG, GIF

std::string RecentKey(int index) { return "Recent" + std::to_string(index); }

int ReadClamped(const TIniDocument& ini, const char* key, int low, int high) {
    return std::clamp(ini.ReadInteger(kSection, key), low, high);
}

// The radio groups select their last button for anything but 0, 1 or 2.
int ReadRadio(const TIniDocument& ini, const char* key) {
    const int value = ini.ReadInteger(kSection, key);
    return (value >= 0 && value <= 2) ? value : 3;
}

// Every key but "Version" and "language", in the order loading applies them.
// Values outside a control's range are clamped, as the control itself would.
void ReadDialogKeys(const TIniDocument& ini, TSettingsRecord& record) {
    record.TrackBarDither = ReadClamped(ini, "dither", 0, 10);
    record.ComboBoxPaletteVolume = ReadClamped(ini, "Fix", 0, 6);
    record.ComboBoxTrim = ReadClamped(ini, "Source", 0, 3);
    record.TrackBarCb = ReadClamped(ini, "Cblue", 0, 20);
    record.TrackBarCr = ReadClamped(ini, "Cred", 0, 20);
    record.TrackBarCg = ReadClamped(ini, "Cgreen", 0, 20);
    record.ComboBoxDither = ReadClamped(ini, "ditherMode", 0, 4);
    record.UpDownDitherOption = ReadClamped(ini, "ditherOption", 0, 64);
    record.PaletteSizeButton = static_cast<TPaletteSizeButton>(ReadRadio(ini, "Bits"));
    record.UpDownValue = ReadClamped(ini, "EditValue", 2, 256);
    record.CheckBoxAdd16 = ini.ReadBool(kSection, "Add16Pal");
    record.TransCornerButton = static_cast<TTransCornerButton>(ReadRadio(ini, "Trans"));
    record.CheckBoxTrans = ini.ReadBool(kSection, "TransSW");
    record.CheckBoxPNGinterlace = ini.ReadBool(kSection, "PNGtype");
    record.ComboBoxGIF = ReadClamped(ini, "GIFtype", 0, 3);
    // Only BMP or not-BMP is stored: a GIF batch format comes back as PNG.
    record.BatchFormat = ini.ReadBool(kSection, "BatchIs") ? RadioButtonPNG : RadioButtonBMP;
    record.BatchFormatButton = static_cast<TBatchFormatButton>(record.BatchFormat);
    record.CheckBoxAlpha = ini.ReadBool(kSection, "UseAlpha", true);
    record.UpDownAlphaThreshold =
        std::clamp(ini.ReadInteger(kSection, "AlphaThreshold", 128), 1, 255);
    // Absent keys read as false and "": the optimal palette and nothing locked.
    record.RadioButtonPaletteFile = ini.ReadBool(kSection, "PaletteFromFile");
    record.EditPaletteFile = ini.ReadString(kSection, "PaletteFile");
    record.EditLockedColors = ini.ReadString(kSection, "LockedColors");
    record.ComboBoxRefine = ReadClamped(ini, "Refine", 0, 3);
}

void ReadProgramKeys(const TIniDocument& ini, TSettingsRecord& record) {
    record.ToolBarVisible = ini.ReadBool(kSection, "ToolBar");
    record.BatchSaveDirectory = ini.ReadString(kSection, "BatchSaveDirectory");
    record.LoadDirectory = ini.ReadString(kSection, "LoadDirectory");
    record.SaveDirectory = ini.ReadString(kSection, "SaveDirectory");
    record.OpenIndex = ReadClamped(ini, "OpenIndex", 1, kOpenFilterCount);
    record.SaveIndex = ReadClamped(ini, "SaveIndex", 1, kSaveFilterCount);
    record.PluginFolder = ini.ReadString(kSection, "PluginsPath");
    // Only 0 and 2 are ever stored; anything else starts normal.
    record.WindowState = ini.ReadInteger(kSection, "WindowState") == 2 ? 2 : 0;
    record.WindowBounds.Width = ini.ReadInteger(kSection, "WindowWidth");
    record.WindowBounds.Height = ini.ReadInteger(kSection, "WindowHeight");
    record.WindowBounds.Top = ini.ReadInteger(kSection, "WindowTop");
    record.WindowBounds.Left = ini.ReadInteger(kSection, "WindowLeft");
    for (int i = 0; i < static_cast<int>(record.RecentFiles.size()); ++i) {
        record.RecentFiles[i] = ini.ReadString(kSection, RecentKey(i));
    }
}

bool IsVersionFile(const TIniDocument& ini) {
    return ini.ReadInteger(kSection, "Version") == kSettingsVersion;
}

std::string CurrentDirectory(const TSettingsHooks& hooks) {
    if (hooks.CurrentDirectory) return hooks.CurrentDirectory();
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string() : current.string();
}

// No valid file: an older section must not survive, then the built-in values.
void FirstStart(TSettingsRecord& record, const TSettingsHooks& hooks, const std::string& path) {
    EraseSection(path, kSection);  // a failure here changes nothing that matters
    if (hooks.ShowAboutBox) hooks.ShowAboutBox();
    record.ComboBoxPaletteVolume = 6;
    record.ComboBoxTrim = 3;
    record.ComboBoxGIF = 0;
    record.ComboBoxDither = 2;
    record.ToolBarVisible = true;
    record.BatchSaveDirectory = AddTrailingSeparator(CurrentDirectory(hooks));
    // No registry here: the plug-ins beside a portable program, else the
    // bundled ones where the package installed them.
    record.PluginFolder = AddTrailingSeparator(FirstStartPluginFolderFor(CurrentProgramPlace()));
}

void WriteDialogKeys(TIniDocument& ini, const TSettingsRecord& record) {
    ini.WriteInteger(kSection, "Version", kSettingsVersion);
    ini.WriteInteger(kSection, "dither", record.TrackBarDither);
    ini.WriteInteger(kSection, "Fix", record.ComboBoxPaletteVolume);
    ini.WriteInteger(kSection, "Source", record.ComboBoxTrim);
    ini.WriteInteger(kSection, "Cblue", record.TrackBarCb);
    ini.WriteInteger(kSection, "Cred", record.TrackBarCr);
    ini.WriteInteger(kSection, "Cgreen", record.TrackBarCg);
    ini.WriteInteger(kSection, "ditherMode", record.ComboBoxDither);
    ini.WriteInteger(kSection, "ditherOption", record.UpDownDitherOption);
    ini.WriteInteger(kSection, "Bits", record.PaletteSizeButton);
    ini.WriteInteger(kSection, "EditValue", record.UpDownValue);
    ini.WriteBool(kSection, "Add16Pal", record.CheckBoxAdd16);
    ini.WriteInteger(kSection, "Trans", record.TransCornerButton);
    ini.WriteBool(kSection, "TransSW", record.CheckBoxTrans);
    ini.WriteBool(kSection, "PNGtype", record.CheckBoxPNGinterlace);
    ini.WriteBool(kSection, "BatchIs", record.BatchFormat != 0);
    ini.WriteInteger(kSection, "GIFtype", record.ComboBoxGIF);
    // Absent means off, so a file that never had refinement on stays as it was.
    if (record.ComboBoxRefine != 0 || ini.Value(kSection, "Refine"))
        ini.WriteInteger(kSection, "Refine", record.ComboBoxRefine);
}

// The alpha keys go after all others, and only once they differ from their
// defaults (absent means on, 128): files of users who never change them
// stay as older versions wrote them.
void WriteAlphaKeys(TIniDocument& ini, const TSettingsRecord& record) {
    if (!record.CheckBoxAlpha || ini.Value(kSection, "UseAlpha"))
        ini.WriteBool(kSection, "UseAlpha", record.CheckBoxAlpha);
    if (record.UpDownAlphaThreshold != 128 || ini.Value(kSection, "AlphaThreshold"))
        ini.WriteInteger(kSection, "AlphaThreshold", record.UpDownAlphaThreshold);
}

// The palette keys are written once they leave their defaults (then kept,
// so a return to the default is stored too); a file of a program that never
// used them holds exactly the keys it always held.
void WritePaletteKeys(TIniDocument& ini, const TSettingsRecord& record) {
    auto present = [&ini](const char* key) { return ini.ReadString(kSection, key, "\x01") != "\x01"; };
    if (record.RadioButtonPaletteFile || present("PaletteFromFile"))
        ini.WriteBool(kSection, "PaletteFromFile", record.RadioButtonPaletteFile);
    if (!record.EditPaletteFile.empty() || present("PaletteFile"))
        ini.WriteString(kSection, "PaletteFile", record.EditPaletteFile);
    if (!record.EditLockedColors.empty() || present("LockedColors"))
        ini.WriteString(kSection, "LockedColors", record.EditLockedColors);
}

void WriteProgramKeys(TIniDocument& ini, const TSettingsRecord& record) {
    ini.WriteBool(kSection, "ToolBar", record.ToolBarVisible);
    ini.WriteString(kSection, "BatchSaveDirectory", record.BatchSaveDirectory);
    ini.WriteString(kSection, "LoadDirectory", record.LoadDirectory);
    ini.WriteString(kSection, "SaveDirectory", record.SaveDirectory);
    ini.WriteInteger(kSection, "OpenIndex", record.OpenIndex);
    ini.WriteInteger(kSection, "SaveIndex", record.SaveIndex);
    ini.WriteString(kSection, "PluginsPath", record.PluginFolder);
    ini.WriteBool(kSection, "language", UseEnglish());
    // A maximized or minimized window is stored with its last normal bounds.
    const bool normal = record.WindowState == 0;
    const TBounds& bounds = normal ? record.WindowBounds : record.NormalBounds;
    ini.WriteInteger(kSection, "WindowWidth", bounds.Width);
    ini.WriteInteger(kSection, "WindowHeight", bounds.Height);
    ini.WriteInteger(kSection, "WindowTop", bounds.Top);
    ini.WriteInteger(kSection, "WindowLeft", bounds.Left);
    ini.WriteInteger(kSection, "WindowState", record.WindowState == 1 ? 0 : record.WindowState);
    for (int i = 0; i < static_cast<int>(record.RecentFiles.size()); ++i) {
        ini.WriteString(kSection, RecentKey(i), record.RecentFiles[i]);
    }
}

}  // namespace

std::string DefaultSettingsPath() { return SettingsPathFor(CurrentProgramPlace()); }

void LoadSettings(TSettingsRecord& record, const TSettingsHooks& hooks, const std::string& path) {
    TIniDocument ini;
    const bool tooLarge = ini.Load(path) == TIniLoadStatus::Unreadable && ini.LoadError() == EFBIG;
    const bool valid = IsVersionFile(ini);
    // The language comes first: every text set below depends on it.
    bool english = false;
    if (valid) {
        english = ini.ReadBool(kSection, "language");
    } else {
        english = !(hooks.SystemIsJapanese ? hooks.SystemIsJapanese() : SystemLocaleIsJapanese());
    }
    SetUseEnglish(english);
    record.UseEnglish = english;
    if (english && hooks.ApplyEnglishTexts) hooks.ApplyEnglishTexts();
    if (hooks.CurrentWindowBounds) record.WindowBounds = hooks.CurrentWindowBounds();
    record.WindowState = 0;
    record.OpenIndex = 1;
    record.SaveIndex = 1;
    if (hooks.SetDialogFilters) hooks.SetDialogFilters();
    if (hooks.BindRecentMenu) hooks.BindRecentMenu();
    if (valid) {
        ReadDialogKeys(ini, record);
        ReadProgramKeys(ini, record);
    } else {
        if (tooLarge && hooks.SettingsFileTooLarge) hooks.SettingsFileTooLarge(path);
        FirstStart(record, hooks, path);
    }
    if (hooks.ApplyValues) hooks.ApplyValues();
    if (hooks.ApplyDitherRule) hooks.ApplyDitherRule();
}

void LoadSettings(TSettingsRecord& record, const TSettingsHooks& hooks) {
    LoadSettings(record, hooks, DefaultSettingsPath());
}

bool SaveSettings(const TSettingsRecord& record, const std::string& path, std::string& error) {
    TIniDocument ini;
    // Other sections and foreign keys are kept as they are; a file too
    // large to be settings is some other file, kept whole.
    if (ini.Load(path) == TIniLoadStatus::Unreadable && ini.LoadError() == EFBIG) return true;
    WriteDialogKeys(ini, record);
    WriteProgramKeys(ini, record);
    WriteAlphaKeys(ini, record);
    WritePaletteKeys(ini, record);
    PrepareSettingsFolder(path);  // a failure shows as the save's own error
    return ini.Save(path, &error);
}

bool SaveSettings(const TSettingsRecord& record, std::string& error) {
    return SaveSettings(record, DefaultSettingsPath(), error);
}

bool SettingsFileReadable(const std::string& path, std::string& reason) {
    TIniDocument ini;
    const TIniLoadStatus status = ini.Load(path);
    if (status == TIniLoadStatus::Read) return true;
    reason = status == TIniLoadStatus::Missing ? ReadErrorText(ENOENT) : ReadErrorText(ini.LoadError());
    return false;
}

bool LoadSettingsForCli(const std::string& path, TSettingsRecord& record, std::string& error) {
    TIniDocument ini;
    const TIniLoadStatus status = ini.Load(path);
    if (status != TIniLoadStatus::Read) {
        error = "cannot read settings file " + path;
        return false;
    }
    if (!IsVersionFile(ini)) {
        error = path + " is not a Zinop settings file of version " +
                std::to_string(kSettingsVersion) + " (section [zinop], key Version)";
        return false;
    }
    TSettingsRecord loaded = record;
    ReadDialogKeys(ini, loaded);
    ReadProgramKeys(ini, loaded);
    loaded.UseEnglish = ini.ReadBool(kSection, "language");
    record = loaded;
    return true;
}
