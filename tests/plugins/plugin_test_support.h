#pragma once
// Shared by the plug-in tests: a scratch folder, test plug-ins copied into
// it under chosen names, and host state reset around every test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "plugins/plugin_host.h"

class TScratchFolder {
public:
    TScratchFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("zinop-plugins-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    // The folder with a trailing "/".
    std::string Folder() const { return path_.string() + "/"; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(File(name), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        Write(name, std::string(bytes.begin(), bytes.end()));
    }
    // Copies the test plug-in built as source (e.g. "tp_first") in as name.
    void AddTestPlugin(const std::string& source, const std::string& name) const {
        std::filesystem::copy_file(std::string(ZINOP_TEST_SPI_DIR) + "/" + source + ".spi", File(name));
    }

private:
    std::filesystem::path path_;
};

// Every test starts and ends with no plug-ins loaded, the hook connected, and
// the plug-in folder and settings file inside its own scratch folder.
class PluginHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        UnloadPlugins();
        SetPluginFolder(plugins.Folder());
        SetPluginSettingsFile(settings.File("Zinop.ini"));
        InstallPluginLoadHook();
    }
    void TearDown() override {
        UnloadPlugins();
        SetPluginLoadHook(nullptr);
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> names;
        for (const TLoadedPlugin& plugin : LoadedPlugins()) names.push_back(plugin.FileName);
        return names;
    }
    // Loads path through LoadPicture; 0 on success.
    int Load(const std::string& path, TPictureRecord& record) const {
        record = TPictureRecord();
        record.FileName = path;
        return LoadPicture(record);
    }

    TScratchFolder plugins;
    TScratchFolder settings;
    TScratchFolder pictures;
};

// A test-plug-in file: magic, then filler up to size bytes.
inline std::string TestFile(const std::string& magic, size_t size = 64, char filler = 'x') {
    std::string bytes = magic;
    if (bytes.size() < size) bytes.append(size - bytes.size(), filler);
    return bytes;
}
