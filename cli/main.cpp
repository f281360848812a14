// zinop-cli: the program's reduction, batch runs and file formats from the
// command line. Options map onto the settings record, so a reduction here
// goes through exactly the path of the desktop program's reduce command.

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/huge_pages.h"
#include "cli/interrupt.h"
#include "config/paths.h"
#include "config/settings.h"
#include "config/texts.h"
#ifdef ZINOP_HAVE_PLUGINS
#include "plugins/plugin_host.h"
#endif

#ifndef ZINOP_VERSION
#define ZINOP_VERSION "35"
#endif

namespace {

// One line saying what was wrong and where to look, as cp and tar answer;
// the whole help would bury that line.
int UsageError(const std::string& message) {
    std::fprintf(stderr, "zinop-cli: %s\n%s\n", message.c_str(), kTryHelp);
    return kExitUsage;
}

// Plug-ins from --plugins (default: the folder the program's first start
// takes, beside zinop-cli or the installed one); the section "plugins" of
// the --settings file disables some, without --settings that of the
// program's own settings file, so both use the same plug-ins.
void SetUpPlugins(const TCliOptions& options) {
#ifdef ZINOP_HAVE_PLUGINS
    std::error_code error;
    if (!options.PluginsDir.empty() && !std::filesystem::is_directory(options.PluginsDir, error)) {
        std::fprintf(stderr, "zinop-cli: warning: plug-in folder %s does not exist; no plug-ins\n",
                     options.PluginsDir.c_str());
    }
    SetPluginFolder(options.PluginsDir.empty()
                        ? AddTrailingSeparator(FirstStartPluginFolderFor(CurrentProgramPlace()))
                        : AddTrailingSeparator(options.PluginsDir));
    SetPluginSettingsFile(options.SettingsFile.empty() ? DefaultSettingsPath()
                                                       : options.SettingsFile);
    if (options.Command != TCliCommand::Plugins) {
        LoadPlugins();
        InstallPluginLoadHook();
    }
#else
    (void)options;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    RestartWithHugePages(argv);
    IgnoreBrokenPipes();
    // Past a file-size limit a write fails with EFBIG, which the run reports
    // for that file like a full disk, instead of the signal ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    SetUseEnglish(!SystemLocaleIsJapanese());
    TCliOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) {
        return UsageError(error);
    }
    if (options.Command == TCliCommand::Help) {
        std::fputs(UsageText(), stdout);
        return kExitOk;
    }
    if (options.Command == TCliCommand::Version) {
        std::printf("zinop-cli (Zinop) version %s\n", ZINOP_VERSION);
        return kExitOk;
    }
    TSettingsRecord settings;  // the settings dialog's first-start values
    if (!options.SettingsFile.empty()) {
        // A file that cannot be read is a file problem (status 1), not a
        // usage error; one that is no settings file of this version is.
        std::string readError;
        if (!SettingsFileReadable(options.SettingsFile, readError)) {
            std::fprintf(stderr, "zinop-cli: cannot read settings file %s: %s\n",
                         options.SettingsFile.c_str(), readError.c_str());
            return kExitFailed;
        }
        if (!LoadSettingsForCli(options.SettingsFile, settings, error))
            return UsageError("--settings: " + error);
    }
    ApplyOptions(options, settings);
    int choiceStatus = kExitOk;
    if ((options.Command == TCliCommand::Reduce || options.Command == TCliCommand::Palette) &&
        !ResolveCliPaletteChoice(settings, choiceStatus)) {
        return choiceStatus;
    }
    SetUpPlugins(options);

    int status = kExitOk;
    switch (options.Command) {
        case TCliCommand::Reduce:
            status = RunReduce(options, settings);
            break;
        case TCliCommand::Convert:
            status = RunConvert(options);
            break;
        case TCliCommand::Info:
            status = RunInfo(options);
            break;
        case TCliCommand::Palette:
            status = RunPalette(options, settings);
            break;
        default:
            status = RunPlugins(options);
            break;
    }
#ifdef ZINOP_HAVE_PLUGINS
    UnloadPlugins();
#endif
    return status;
}
