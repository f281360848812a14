#pragma once
// A measuring aid: with ZINOP_STALL_WATCH set in the environment, the
// program ticks a 10 ms timer on the main thread and reports on stderr each
// tick late by 30 ms or more (how long the window could not respond) with
// the main thread's own CPU time in that gap, and the worst of both at the
// end. Without it, nothing runs.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

class TStallWatch : public QObject {
  public:
    // Started when the environment asks for it; a watch without it does nothing.
    TStallWatch();
    ~TStallWatch() override;
    qint64 WorstMs() const { return Worst; }

  private:
    void Tick();

    std::unique_ptr<QTimer> Timer;
    QElapsedTimer Clock;
    qint64 Last = 0;
    qint64 LastCpu = 0;
    qint64 Worst = 0;      // ms a tick came late
    qint64 WorstBusy = 0;  // ms of the main thread's own CPU time between two ticks
};
