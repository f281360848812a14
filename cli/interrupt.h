#pragma once
// Ctrl+C, SIGTERM and SIGHUP while zinop-cli works: the handler only records
// the request; the main loop turns it into the worker's stop request, so the
// run ends as a cancelled batch and no file is left half written (the save
// under way finishes, and a temporary file is never left behind). The exit
// status is then 128 + the signal's number: 130, 143 or 129.

class TInterruptGuard {
  public:
    // Installs the handler for SIGINT, SIGTERM and SIGHUP (system calls
    // restart, so a file being written is finished, not cut short) and
    // clears the request.
    TInterruptGuard();
    // Restores the previous handlers.
    ~TInterruptGuard();
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

    // True once one of the signals arrived while the guard was installed.
    static bool Interrupted();
    // 128 + the number of the first signal that arrived; 0 when none did.
    static int ExitStatus();
};

// A closed pipe on stdout (zinop-cli reduce ... | head) must end only the
// log, not the run and its saves: SIGPIPE is ignored for the whole process
// and writes to the closed pipe simply fail.
void IgnoreBrokenPipes();
