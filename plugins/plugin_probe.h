#pragma once
// Private to the host: loads one plug-in file and judges it the way
// LoadPlugins does.

#include <string>
#include <vector>

#include "plugins/plugin_library.h"
#include "plugins/plugin_listing.h"

struct TPluginProbe {
    TPluginLibrary Library;  // loaded only when Refusal is None
    TPluginRefusal Refusal = TPluginRefusal::None;
    std::string Detail;   // loader message or version text of a refusal
    std::string Version;  // the info-0 text, cut to 10 characters
};

// Loads path; refuses it when it cannot be loaded, lacks GetPluginInfo, or
// its info-0 text does not have "IN" at characters 3 and 4 (case-sensitive).
TPluginProbe ProbePlugin(const std::string& path);

// Info texts from number 1 on, up to the first empty answer (at most 64).
std::vector<std::string> ReadPluginInfoTexts(const TPluginLibrary& library);
