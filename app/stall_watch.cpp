#include "app/stall_watch.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kTickMs = 10;
constexpr qint64 kReportFromMs = 30;  // smaller delays are the scheduler's

// CPU time this thread has used: on a loaded machine a late tick may only
// mean the scheduler ran others, while this says the main thread was busy.
qint64 ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
}  // namespace

TStallWatch::TStallWatch() {
    if (std::getenv("ZINOP_STALL_WATCH") == nullptr) return;
    Timer = std::make_unique<QTimer>();
    Timer->setTimerType(Qt::PreciseTimer);
    Timer->setInterval(kTickMs);
    QObject::connect(Timer.get(), &QTimer::timeout, this, [this] { Tick(); });
    Clock.start();
    LastCpu = ThreadCpuMs();
    Timer->start();
}

TStallWatch::~TStallWatch() {
    if (Timer == nullptr) return;
    std::fprintf(stderr, "zinop: worst main-thread stall %lld ms, worst main-thread work %lld ms\n",
                 Worst, WorstBusy);
}

void TStallWatch::Tick() {
    const qint64 now = Clock.elapsed();
    const qint64 late = now - Last - kTickMs;
    const qint64 cpu = ThreadCpuMs();
    const qint64 busy = cpu - LastCpu;  // the main thread's own work since the last tick
    Last = now;
    LastCpu = cpu;
    if (late > Worst) Worst = late;
    if (busy > WorstBusy) WorstBusy = busy;
    if (late >= kReportFromMs) {
        std::fprintf(stderr, "zinop: main thread stalled %lld ms (busy %lld ms) at %.2f s\n", late,
                     busy, now / 1000.0);
    }
}
