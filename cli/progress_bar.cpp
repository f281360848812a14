#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kBarCells = 40;
}

std::string TProgressBar::Render(const char* label, int perMille) {
    const int clamped = std::clamp(perMille, 0, 1000);
    const int filled = clamped * kBarCells / 1000;
    std::string text = label;
    text += " [";
    text.append(static_cast<size_t>(filled), '#');
    text.append(static_cast<size_t>(kBarCells - filled), '.');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%", clamped / 10);
    return text + percent;
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
