#include "plugins/plugin_listing.h"

#include "config/paths.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_probe.h"

std::vector<TPluginListing> ListPlugins(const std::string& folder,
                                        const std::vector<std::string>& disabled) {
    std::vector<std::string> names;
    EnumeratePluginFiles(folder, names);
    std::vector<TPluginListing> listings;
    for (const std::string& name : names) {
        TPluginListing listing;
        listing.FileName = name;
        if (!PluginNameStorable(name)) {
            // It could never be disabled, so it is never loaded (not even to
            // ask it).
            listing.State = TPluginState::Refused;
            listing.Refusal = TPluginRefusal::UnstorableName;
        } else if (ContainsPluginName(disabled, name)) {
            // A disabled plug-in is never loaded, not even to ask its name:
            // the user may have disabled it because loading it misbehaves.
            listing.State = TPluginState::Disabled;
        } else {
            TPluginProbe probe = ProbePlugin(AddTrailingSeparator(folder) + name);
            listing.Refusal = probe.Refusal;
            listing.Detail = probe.Detail;
            listing.Version = probe.Version;
            if (probe.Refusal == TPluginRefusal::None) {
                listing.State = TPluginState::Loaded;
                listing.InfoTexts = ReadPluginInfoTexts(probe.Library);
            } else {
                listing.State = TPluginState::Refused;
            }
        }
        listings.push_back(std::move(listing));
    }
    return listings;
}

std::string PluginStateText(const TPluginListing& listing) {
    switch (listing.State) {
        case TPluginState::Disabled:
            return "disabled";
        case TPluginState::Loaded:
            return "loaded";
        case TPluginState::Refused:
            break;
    }
    switch (listing.Refusal) {
        case TPluginRefusal::CannotLoad:
            return "refused: cannot be loaded (" + listing.Detail + ")";
        case TPluginRefusal::NoGetPluginInfo:
            return "refused: no GetPluginInfo";
        case TPluginRefusal::NotImageImport:
            return "refused: not an image import plug-in (version \"" + listing.Detail + "\")";
        case TPluginRefusal::UnstorableName:
            return "refused: its file name cannot be kept in the settings file, so it could not "
                   "be disabled (rename it)";
        case TPluginRefusal::None:
            break;
    }
    return "refused";
}
