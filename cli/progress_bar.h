#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal.

#include <string>

class TProgressBar {
public:
    // enabled false: every call does nothing (stderr is a file or a pipe).
    explicit TProgressBar(bool enabled) : enabled_(enabled) {}
    ~TProgressBar() { Clear(); }
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    // Shows perMille (0..1000) after label; redraws only when the shown
    // percentage or the label changes.
    void Show(const char* label, int perMille);
    // Shows done of total after label, e.g. "Files  [####......]  3/16".
    void ShowCount(const char* label, int done, int total);
    // Removes the bar so that other output starts on a clean line.
    void Clear();

    // The text of the bar without the carriage return, e.g.
    // "Reduce [##########..............................]  25%".
    static std::string Render(const char* label, int perMille);
    static std::string RenderCount(const char* label, int done, int total);

private:
    bool enabled_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::string lastLabel_;
};
