// Where a batch writes each result, and with which writer.

#include <filesystem>
#include <system_error>

#include "engine/batch.h"
#include "formats/bmp.h"
#include "formats/gif_writer.h"
#include "formats/png_writer.h"

TBatchOutput BatchOutputFromSettings(const TSettingsRecord& settings) {
    TBatchOutput output;
    output.Format = settings.BatchFormat;
    output.Folder = settings.BatchSaveDirectory;
    output.GifOptions = settings.GifOptions;
    output.PngInterlace = settings.PngInterlace;
    return output;
}

std::string BatchOutputPath(const std::string& folder, const std::string& sourcePath, int format) {
    const size_t slash = sourcePath.find_last_of('/');
    std::string name = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    const char* extension = format == 0 ? ".bmp" : format == 1 ? ".png" : ".gif";
    return folder + name + extension;
}

bool IsSameFile(const std::string& sourcePath, const std::string& outputPath) {
    if (sourcePath == outputPath) {
        return true;
    }
    // equivalent() compares device and inode, so every other spelling of the
    // source (relative, "..", a link, another letter case where the volume
    // ignores case) is caught. A missing output is simply not the source.
    std::error_code error;
    const bool same = std::filesystem::equivalent(sourcePath, outputPath, error);
    return !error && same;
}

bool SaveBatchResult(const TPictureRecord& record, const TBatchOutput& output) {
    switch (output.Format) {
        case 0:
            return SaveBmp(record);
        case 1:
            return SavePng(record, output.PngInterlace);
        default:
            return SaveGif(record, output.GifOptions);
    }
}

std::vector<std::string> BatchListLines(const std::vector<std::string>& files) {
    std::vector<std::string> lines;
    lines.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        lines.push_back("#" + std::to_string(i + 1) + " " + files[i]);
    }
    return lines;
}
