#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends. Shared by every test folder.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zinop-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder without, and with, a trailing separator.
    const std::string& Root() const { return root_; }
    std::string Folder() const { return root_ + "/"; }
    // A path inside the folder.
    std::string File(const std::string& relative) const { return root_ + "/" + relative; }
    std::string Path(const std::string& relative) const { return File(relative); }

    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(File(relative), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(File(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Names of everything in the folder, sorted: a leftover temporary file
    // shows up here.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string root_;
};
