#include "shell/UiStallTrace.h"

#include <QCoreApplication>
#include <algorithm>

#include "log/log4me.h"

namespace corvane {

namespace {

constexpr int kTickMs = 10;
constexpr int kReportPeriodMs = 250;

}  // namespace

UiStallProbe::UiStallProbe(std::function<void(double)> report, int periodMs, QObject* parent)
    : QObject(parent), report_(std::move(report)), periodNs_(qint64(periodMs) * 1000000) {
    // Precise: a coarse timer may fire a few milliseconds late by design, which is not a stall.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &UiStallProbe::Tick);
    sinceTick_.start();
    sincePeriod_.start();
    timer_.start();
}

void UiStallProbe::Tick() {
    longestNs_ = std::max(longestNs_, sinceTick_.nsecsElapsed());
    sinceTick_.restart();
    if (sincePeriod_.nsecsElapsed() < periodNs_) return;
    sincePeriod_.restart();
    const double longestMs = double(longestNs_) / 1e6;
    longestNs_ = 0;
    report_(longestMs);
}

bool StartUiStallTrace() {
    static const bool on = !qEnvironmentVariableIsEmpty("CORVANE_TRACE_UI_STALLS");
    if (!on || !QCoreApplication::instance()) return false;
    new UiStallProbe(
        [](double longestMs) {
            LogDebug(QStringLiteral("ui stall trace: longest gap %1 ms").arg(longestMs, 0, 'f', 1));
        },
        kReportPeriodMs, QCoreApplication::instance());
    return true;
}

}  // namespace corvane
