#pragma once
// A measuring aid: with ZINOP_STALL_WATCH set in the environment, the
// program ticks a 10 ms timer on the main thread and reports on stderr each
// new worst lateness of a tick (how long the window could not respond), and
// the worst of the run at the end. Without it, nothing runs.

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
    qint64 Worst = 0;
};
