#pragma once
// A report of every plug-in file of a folder, for `zinop-cli plugins` and
// anyone who wants to show what the host would do with each file. Loads each
// enabled file briefly to ask it; LoadedPlugins is not touched.

#include <string>
#include <vector>

enum class TPluginState {
    Disabled,  // named in section "plugins" (never loaded to ask it)
    Loaded,    // an image import plug-in: LoadPlugins would use it
    Refused,   // LoadPlugins would skip it; see Refusal and Detail
};

enum class TPluginRefusal {
    None,
    CannotLoad,       // dlopen failed; Detail holds the loader's message
    NoGetPluginInfo,  // the library lacks the export
    NotImageImport,   // info 0 is not "..IN"; Detail holds the version text
    UnstorableName,   // the settings file cannot hold its name: never loaded
};

struct TPluginListing {
    std::string FileName;  // without folder
    TPluginState State = TPluginState::Refused;
    TPluginRefusal Refusal = TPluginRefusal::None;
    std::string Detail;
    std::string Version;  // info 0 ("00IN"), when the library could be asked
    // Info texts from number 1 on (name, then pattern/format-name pairs), up
    // to the first empty answer. Empty for disabled and unloadable files.
    std::vector<std::string> InfoTexts;
};

// Every "*.spi" file of folder in listing order, judged against disabled
// (file names, compared without regard to case).
std::vector<TPluginListing> ListPlugins(const std::string& folder,
                                        const std::vector<std::string>& disabled);

// A short English state text: "disabled", "loaded", "refused: cannot be
// loaded (<message>)", "refused: no GetPluginInfo", "refused: not an image
// import plug-in (version "<text>")", "refused: its file name cannot be
// kept in the settings file, so it could not be disabled (rename it)".
std::string PluginStateText(const TPluginListing& listing);
