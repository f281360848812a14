#include "plugins/plugin_probe.h"

#include <algorithm>
#include <array>

#include "plugins/spi.h"

namespace {

// Asks for info text infono with buflen bytes and keeps what the answer says
// it wrote, at most buflen. The array is larger than buflen so a plug-in
// that writes past the length it was given does not write past our buffer.
std::string AskInfo(SPI_GetPluginInfo getInfo, int32_t infono, int32_t buflen) {
    std::array<char, 1024> text{};
    const int32_t written = getInfo(infono, text.data(), buflen);
    const int32_t kept = std::clamp<int32_t>(written, 0, buflen);
    return std::string(text.data(), static_cast<size_t>(kept)).c_str();
}

// The interface version is asked with a 10-byte buffer, as every plug-in host
// has always asked it.
constexpr int32_t kVersionBufferBytes = 10;
constexpr int32_t kInfoBufferBytes = 512;
constexpr int32_t kMaxInfoTexts = 64;

}  // namespace

TPluginProbe ProbePlugin(const std::string& path) {
    TPluginProbe probe;
    TPluginLibrary library = TPluginLibrary::Open(path, &probe.Detail);
    if (!library) {
        probe.Refusal = TPluginRefusal::CannotLoad;
        return probe;
    }
    auto getInfo = reinterpret_cast<SPI_GetPluginInfo>(library.Symbol("GetPluginInfo"));
    if (!getInfo) {
        probe.Refusal = TPluginRefusal::NoGetPluginInfo;
        return probe;
    }
    probe.Version = AskInfo(getInfo, 0, kVersionBufferBytes);
    // Characters 3 and 4 of the version mark an image import plug-in.
    if (probe.Version.size() < 4 || probe.Version.compare(2, 2, "IN") != 0) {
        probe.Refusal = TPluginRefusal::NotImageImport;
        probe.Detail = probe.Version;
        return probe;
    }
    probe.Library = std::move(library);
    return probe;
}

std::vector<std::string> ReadPluginInfoTexts(const TPluginLibrary& library) {
    std::vector<std::string> texts;
    auto getInfo = reinterpret_cast<SPI_GetPluginInfo>(library.Symbol("GetPluginInfo"));
    if (!getInfo) return texts;
    for (int32_t infono = 1; infono <= kMaxInfoTexts; ++infono) {
        std::string text = AskInfo(getInfo, infono, kInfoBufferBytes);
        if (text.empty()) break;
        texts.push_back(std::move(text));
    }
    return texts;
}
