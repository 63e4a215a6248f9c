#include "download_watch.h"

#include <QDateTime>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <algorithm>
#include <cstdio>

namespace {

long long Now() { return static_cast<long long>(QDateTime::currentMSecsSinceEpoch()); }

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
                std::printf("download end %lld longest-gap %.1f\n", Now(), longestNs_ / 1e6);
                std::fflush(stdout);
            });
    longestNs_ = 0;
    sinceTick_.start();
    ticks_.start();
    std::printf("download accepted %lld\n", Now());
    std::fflush(stdout);
}

void DownloadWatch::Tick() {
    longestNs_ = std::max(longestNs_, sinceTick_.nsecsElapsed());
    sinceTick_.restart();
}
