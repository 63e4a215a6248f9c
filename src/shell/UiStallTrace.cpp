#include "shell/UiStallTrace.h"

#include <QCoreApplication>

#include "log/log4me.h"

namespace corvane {

namespace {

constexpr int kTickMs = 10;
constexpr int kReportPeriodMs = 250;

}  // namespace

UiStallProbe::UiStallProbe(std::function<void(const Stall&)> report, int periodMs, QObject* parent)
    : QObject(parent), report_(std::move(report)), periodNs_(qint64(periodMs) * 1000000) {
    // Precise: a coarse timer may fire a few milliseconds late by design, which is not a stall.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &UiStallProbe::Tick);
    sinceTick_.start();
    sincePeriod_.start();
    atTick_ = CurrentThreadTimes();
    timer_.start();
}

void UiStallProbe::Tick() {
    const qint64 gap = sinceTick_.nsecsElapsed();
    const ThreadTimes now = CurrentThreadTimes();
    if (gap > longestNs_) {
        longestNs_ = gap;
        longestSpent_ = {now.runningNs - atTick_.runningNs, now.waitingNs - atTick_.waitingNs};
    }
    sinceTick_.restart();
    atTick_ = now;
    if (sincePeriod_.nsecsElapsed() < periodNs_) return;
    sincePeriod_.restart();
    const Stall stall{double(longestNs_) / 1e6, double(longestSpent_.runningNs) / 1e6,
                      double(longestSpent_.waitingNs) / 1e6};
    longestNs_ = 0;
    longestSpent_ = {};
    report_(stall);
}

bool StartUiStallTrace() {
    static const bool on = !qEnvironmentVariableIsEmpty("CORVANE_TRACE_UI_STALLS");
    if (!on || !QCoreApplication::instance()) return false;
    new UiStallProbe(
        [](const UiStallProbe::Stall& stall) {
            LogDebug(QStringLiteral("ui stall trace: longest gap %1 ms (busy %2 ms, waiting for a "
                                    "processor %3 ms)")
                         .arg(stall.gapMs, 0, 'f', 1)
                         .arg(stall.busyMs, 0, 'f', 1)
                         .arg(stall.waitingMs, 0, 'f', 1));
        },
        kReportPeriodMs, QCoreApplication::instance());
    return true;
}

}  // namespace corvane
