// An optional trace of the UI thread's responsiveness: how long it goes without serving a timer.
//
// Off unless the environment variable CORVANE_TRACE_UI_STALLS is set to a non-empty value when the
// program starts; off, nothing is created and nothing runs. On, a 10 ms timer on the UI thread
// measures the gaps between its ticks and the log gets, at debug level, one line per quarter second
// with the longest gap of that quarter and how the UI thread spent it: "ui stall trace: longest gap
// 62.3 ms (busy 1.2 ms, waiting for a processor 55.0 ms)". Busy is work done on the thread; waiting
// for a processor is time it was ready to run while others ran; the rest it was blocked. bench/run
// reads these lines for the figures of a report wait and of a download. Platform part:
// UiStallTrace_linux.cpp (the thread's own times).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace corvane {

// What the calling thread has spent since it began, in nanoseconds: running on a processor, and
// ready to run but waiting for one (0 where the system does not tell). Any thread.
struct ThreadTimes {
    qint64 runningNs = 0;
    qint64 waitingNs = 0;
};
ThreadTimes CurrentThreadTimes();

// Thread: the thread it is created on (which must run an event loop). Lifetime: its parent's.
class UiStallProbe : public QObject {
  public:
    struct Stall {
        double gapMs = 0;      // the longest gap between ticks
        double busyMs = 0;     // of it, running on a processor
        double waitingMs = 0;  // of it, ready to run but waiting for a processor
    };
    // report gets the longest stall once every periodMs.
    UiStallProbe(std::function<void(const Stall&)> report, int periodMs, QObject* parent);

  private:
    void Tick();

    std::function<void(const Stall&)> report_;
    const qint64 periodNs_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
    QElapsedTimer sincePeriod_;
    ThreadTimes atTick_;
    qint64 longestNs_ = 0;
    ThreadTimes longestSpent_;
};

// Reads the switch (once per process) and, when it is on, starts the trace as a child of the
// application object. UI thread, after the application object exists. True when the trace runs.
bool StartUiStallTrace();

}  // namespace corvane
