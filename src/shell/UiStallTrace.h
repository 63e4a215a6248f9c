// An optional trace of the UI thread's responsiveness: how long it goes without serving a timer.
//
// Off unless the environment variable CORVANE_TRACE_UI_STALLS is set to a non-empty value when the
// program starts; off, nothing is created and nothing runs. On, a 10 ms timer on the UI thread
// measures the gaps between its ticks and the log gets, at debug level, one line per quarter second
// with the longest gap of that quarter: "ui stall trace: longest gap 12.3 ms". bench/run reads
// these lines for the figures of a report wait and of a download.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace corvane {

// Thread: the thread it is created on (which must run an event loop). Lifetime: its parent's.
class UiStallProbe : public QObject {
  public:
    // report gets the longest gap between ticks, in milliseconds, once every periodMs.
    UiStallProbe(std::function<void(double longestGapMs)> report, int periodMs, QObject* parent);

  private:
    void Tick();

    std::function<void(double)> report_;
    const qint64 periodNs_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
    QElapsedTimer sincePeriod_;
    qint64 longestNs_ = 0;
};

// Reads the switch (once per process) and, when it is on, starts the trace as a child of the
// application object. UI thread, after the application object exists. True when the trace runs.
bool StartUiStallTrace();

}  // namespace corvane
