#include "cli/interrupt.h"

#include <csignal>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t gSignal = 0;
struct sigaction gPrevious[3]{};

void OnInterrupt(int signal) {
    if (gSignal == 0) gSignal = signal;
}

}  // namespace

TInterruptGuard::TInterruptGuard() {
    gSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
}

TInterruptGuard::~TInterruptGuard() {
    for (size_t i = 0; i < 3; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
}

bool TInterruptGuard::Interrupted() { return gSignal != 0; }

int TInterruptGuard::ExitStatus() { return gSignal == 0 ? 0 : 128 + gSignal; }

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }
