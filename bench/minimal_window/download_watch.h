// The bare window's downloads, for the engine-only download figure: every download is accepted at
// once into one folder (no dialog), and standard output gets "download accepted <ms>" and
// "download end <ms> longest-gap <ms> busy <ms> waiting <ms>" (ms since the epoch; the longest gap
// between the ticks of a 10 ms timer on the UI thread while the download ran, and of it the time
// the UI thread ran on a processor and the time it waited for one).
//
// UI thread; lives as long as the profile it watches.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

class DownloadWatch : public QObject {
  public:
    DownloadWatch(QWebEngineProfile& profile, const QString& folder);

  private:
    void Requested(QWebEngineDownloadRequest* request);
    void Tick();

    QString folder_;
    QTimer ticks_;
    QElapsedTimer sinceTick_;
    qint64 runningAtTick_ = 0;
    qint64 waitingAtTick_ = 0;
    qint64 longestNs_ = 0;
    qint64 longestBusyNs_ = 0;
    qint64 longestWaitingNs_ = 0;
};
