#include "download_watch.h"

#include <QDateTime>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <cstdio>
#include <fstream>

namespace {

long long Now() { return static_cast<long long>(QDateTime::currentMSecsSinceEpoch()); }

// Nanoseconds the calling thread has run on a processor, and has waited in the run queue for one.
void ThreadTimes(qint64* running, qint64* waiting) {
    std::ifstream schedstat("/proc/thread-self/schedstat");
    long long r = 0, w = 0;
    schedstat >> r >> w;
    *running = r;
    *waiting = w;
}

}  // namespace

DownloadWatch::DownloadWatch(QWebEngineProfile& profile, const QString& folder)
    : QObject(&profile), folder_(folder) {
    ticks_.setTimerType(Qt::PreciseTimer);
    ticks_.setInterval(10);
    connect(&ticks_, &QTimer::timeout, this, &DownloadWatch::Tick);
    connect(&profile, &QWebEngineProfile::downloadRequested, this, &DownloadWatch::Requested);
}

void DownloadWatch::Requested(QWebEngineDownloadRequest* request) {
    request->setDownloadDirectory(folder_);
    request->accept();
    connect(request, &QWebEngineDownloadRequest::stateChanged, this,
            [this](QWebEngineDownloadRequest::DownloadState state) {
                if (state != QWebEngineDownloadRequest::DownloadCompleted) return;
                ticks_.stop();
                std::printf("download end %lld longest-gap %.1f busy %.1f waiting %.1f\n", Now(),
                            longestNs_ / 1e6, longestBusyNs_ / 1e6, longestWaitingNs_ / 1e6);
                std::fflush(stdout);
            });
    longestNs_ = longestBusyNs_ = longestWaitingNs_ = 0;
    ThreadTimes(&runningAtTick_, &waitingAtTick_);
    sinceTick_.start();
    ticks_.start();
    std::printf("download accepted %lld\n", Now());
    std::fflush(stdout);
}

void DownloadWatch::Tick() {
    const qint64 gap = sinceTick_.nsecsElapsed();
    qint64 running = 0, waiting = 0;
    ThreadTimes(&running, &waiting);
    if (gap > longestNs_) {
        longestNs_ = gap;
        longestBusyNs_ = running - runningAtTick_;
        longestWaitingNs_ = waiting - waitingAtTick_;
    }
    sinceTick_.restart();
    runningAtTick_ = running;
    waitingAtTick_ = waiting;
}
