#pragma once
// Ctrl+C while zinop-cli reduces: the handler only records the request; the
// main loop turns it into the worker's stop request, so the run ends as a
// cancelled batch and no file is left half written.

class TInterruptGuard {
public:
    // Installs the SIGINT handler (system calls restart, so a file being
    // written is finished, not cut short) and clears the request.
    TInterruptGuard();
    // Restores the previous handler.
    ~TInterruptGuard();
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

    // True once SIGINT arrived while the guard was installed.
    static bool Interrupted();
};
