#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kBarCells = 40;

std::string Bar(const char* label, int perMille) {
    const int filled = std::clamp(perMille, 0, 1000) * kBarCells / 1000;
    std::string text = label;
    text += " [";
    text.append(static_cast<size_t>(filled), '#');
    text.append(static_cast<size_t>(kBarCells - filled), '.');
    return text + "]";
}

}  // namespace

std::string TProgressBar::Render(const char* label, int perMille) {
    char percent[16];
    std::snprintf(percent, sizeof percent, " %3d%%", std::clamp(perMille, 0, 1000) / 10);
    return Bar(label, perMille) + percent;
}

std::string TProgressBar::RenderCount(const char* label, int done, int total) {
    const int perMille = total > 0 ? static_cast<int>(int64_t{done} * 1000 / total) : 0;
    return Bar(label, perMille) + " " + std::to_string(done) + "/" + std::to_string(total);
}

void TProgressBar::ShowCount(const char* label, int done, int total) {
    if (!enabled_ || (shown_ && lastPercent_ == -2 - done && lastLabel_ == label)) {
        return;
    }
    std::fprintf(stderr, "\r%s", RenderCount(label, done, total).c_str());
    std::fflush(stderr);
    shown_ = true;
    lastPercent_ = -2 - done;  // apart from every percentage
    lastLabel_ = label;
}

void TProgressBar::Show(const char* label, int perMille) {
    if (!enabled_) {
        return;
    }
    const int percent = std::clamp(perMille, 0, 1000) / 10;
    if (shown_ && percent == lastPercent_ && lastLabel_ == label) {
        return;
    }
    std::fprintf(stderr, "\r%s", Render(label, perMille).c_str());
    std::fflush(stderr);
    shown_ = true;
    lastPercent_ = percent;
    lastLabel_ = label;
}

void TProgressBar::Clear() {
    if (!enabled_ || !shown_) {
        return;
    }
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
    lastPercent_ = -1;
}
