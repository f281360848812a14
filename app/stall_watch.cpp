#include "app/stall_watch.h"

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kTickMs = 10;
constexpr qint64 kReportFromMs = 20;  // smaller delays are the scheduler's
}  // namespace

TStallWatch::TStallWatch() {
    if (std::getenv("ZINOP_STALL_WATCH") == nullptr) return;
    Timer = std::make_unique<QTimer>();
    Timer->setTimerType(Qt::PreciseTimer);
    Timer->setInterval(kTickMs);
    QObject::connect(Timer.get(), &QTimer::timeout, this, [this] { Tick(); });
    Clock.start();
    Timer->start();
}

TStallWatch::~TStallWatch() {
    if (Timer != nullptr) std::fprintf(stderr, "zinop: worst main-thread stall %lld ms\n", Worst);
}

void TStallWatch::Tick() {
    const qint64 now = Clock.elapsed();
    const qint64 late = now - Last - kTickMs;
    Last = now;
    if (late <= Worst) return;
    Worst = late;
    if (Worst >= kReportFromMs) {
        std::fprintf(stderr, "zinop: main thread stalled %lld ms at %.1f s\n", Worst, now / 1000.0);
    }
}
