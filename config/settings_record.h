#pragma once
// The settings record: one field per control of the settings dialog, named
// after the control, plus the process-wide values the program keeps between
// runs. The dialog edits this record directly; there is no second copy.
// Defaults are the dialog's own (what a first start shows).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Radio groups store which button is selected; the numbers are the ini values.
enum TPaletteSizeButton : int {
    RadioButton8bit = 0,
    RadioButton4bit = 1,
    RadioButton1bit = 2,
    RadioButtonPalette = 3,
};
enum TTransCornerButton : int {
    RadioButtonLT = 0,  // top left
    RadioButtonLB = 1,  // bottom left
    RadioButtonRT = 2,  // top right
    RadioButtonRB = 3,  // bottom right
};
enum TBatchFormatButton : int {
    RadioButtonBMP = 0,
    RadioButtonPNG = 1,
    RadioButtonGIF = 2,
};

// How a GIF is written: from ComboBoxGIF (1 and 3 interlaced, 2 and 3 GIF89a).
struct TGifOptions {
    bool Interlace = false;
    bool Version89a = false;
};
inline TGifOptions GifOptionsFromIndex(int comboBoxGif) {
    return TGifOptions{comboBoxGif == 1 || comboBoxGif == 3, comboBoxGif == 2 || comboBoxGif == 3};
}

struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

struct TSettingsRecord {
    // Page "Main"
    TPaletteSizeButton PaletteSizeButton = RadioButton8bit;
    int UpDownValue = 64;  // 2..256, colour count for RadioButtonPalette
    bool CheckBoxAdd16 = false;
    int ComboBoxDither = 2;       // 0 none, 1 gPeanos, 2 DiffuseFS, 3 Maem, 4 Anime
    int TrackBarDither = 7;       // 0..10
    int UpDownDitherOption = 16;  // 0..64, Anime spread
    // Page "Engine"
    int TrackBarCb = 10;  // 0..20
    int TrackBarCr = 10;
    int TrackBarCg = 10;
    int ComboBoxPaletteVolume = 6;  // 0 Web, 1 444, 2 555, 3 655, 4 666, 5 777, 6 888
    int ComboBoxTrim = 3;           // 0 5 bit, 1 6 bit, 2 7 bit, 3 8 bit
    // Page "Transparency"
    bool CheckBoxTrans = false;
    TTransCornerButton TransCornerButton = RadioButtonRB;
    // Page "Batch"
    TBatchFormatButton BatchFormatButton = RadioButtonBMP;
    bool CheckBoxPNGinterlace = false;
    int ComboBoxGIF = 0;  // 0..3

    // Process-wide values.
    // Mirror of the process-wide language flag UseEnglish() (config/texts.h),
    // which is the owner: LoadSettings sets both, SaveSettings stores the flag.
    bool UseEnglish = true;
    int BatchFormat = 0;             // 0 BMP, 1 PNG, 2 GIF; set when a job is filled
    std::string BatchSaveDirectory;  // batch output folder
    TGifOptions GifOptions;          // taken when a job is filled and when saving
    bool PngInterlace = false;       // likewise
    std::string PluginFolder;
    std::array<std::string, 10> RecentFiles;  // entry 0 the newest; "" an empty slot
    TBounds NormalBounds;                     // main window while in normal state
    bool ToolBarVisible = true;
    std::string LoadDirectory;  // open dialog's starting folder
    std::string SaveDirectory;  // save dialog's starting folder
    int OpenIndex = 1;          // filter indexes, counted from 1
    int SaveIndex = 1;
    int WindowState = 0;  // 0 normal, 1 minimized, 2 maximized (stored: 1 as 0)
    // Main window place and size: filled by LoadSettings for the program to
    // apply; set by the program to the window's current geometry before
    // SaveSettings (NormalBounds is stored instead unless WindowState is 0).
    TBounds WindowBounds;

    // Page "Transparency": the picture's own alpha channel.
    bool CheckBoxAlpha = true;
    int UpDownAlphaThreshold = 128;  // 1..255: alpha below it is transparent

    // Page "Palette": the optimal palette (as always) or one from a file,
    // and colours every palette must hold.
    bool RadioButtonPaletteFile = false;  // false "Optimal palette"
    std::string EditPaletteFile;          // path of the palette file
    std::string EditLockedColors;         // "#rrggbb,#rrggbb,..."
    // The colours of the two above, filled by the front end (which reports a
    // bad file) before FillReduceJob copies them into the job.
    std::vector<uint32_t> FilePaletteColors;
    std::vector<uint32_t> LockedColorValues;

    // Page "Engine": palette refinement, 0 off .. 3.
    int ComboBoxRefine = 0;
};
