// A bare Qt WebEngine window on one page: what any program showing that page with this engine
// pays at the least. bench/run measures the program's start-up and memory against it.
//
//   minimal_window URL STORAGE_FOLDER [DOWNLOAD_FOLDER]
//
// Same engine set-up as the program's engine library: Chromium's logging off (--log-level=3 and
// Qt's WebEngine categories), no sandbox when running as root, shared OpenGL contexts, no shader
// disk cache, one named profile whose storage and cache are STORAGE_FOLDER (which the caller
// empties before each start, as the program empties its cache). The window opens maximised.
// Its start-up's milestones go to standard output as "<milestone> <ms since the epoch>": once the
// application object, the profile and the window exist ("application", "profile", "window") and
// when the page's main frame has loaded ("load end"). It runs until its window is closed or the
// process is terminated. With DOWNLOAD_FOLDER, downloads are saved there without a dialog and
// reported (download_watch.h).
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <cstdio>

#include "download_watch.h"

namespace {

// "<what> <ms since the epoch>" on standard output, at once.
void Mark(const char* what) {
    std::printf("%s %lld\n", what, static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s URL STORAGE_FOLDER [DOWNLOAD_FOLDER]\n", argv[0]);
        return 2;
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += flags.isEmpty() ? "--log-level=3" : " --log-level=3";
    if (geteuid() == 0) flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    qputenv("QT_LOGGING_RULES", "qt.webengine*=false;js=false");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    QApplication app(argc, argv);
    Mark("application");

    // Qt 6.4 touches the default data folders while it constructs a named profile, before its
    // storage path is set: keep that inside the storage folder too, as the program does.
    qputenv("XDG_DATA_HOME", argv[2]);
    qputenv("XDG_CACHE_HOME", argv[2]);
    const QString storage = QString::fromLocal8Bit(argv[2]);
    QWebEngineProfile profile(QStringLiteral("MinimalWindow"));
    profile.setPersistentStoragePath(storage);
    profile.setCachePath(storage);
    if (argc > 3) new DownloadWatch(profile, QString::fromLocal8Bit(argv[3]));
    Mark("profile");
    QWebEngineView view;
    // The page goes before its profile.
    auto* page = new QWebEnginePage(&profile, &view);
    view.setPage(page);
    bool reported = false;
    QObject::connect(page, &QWebEnginePage::loadFinished, &view, [&reported](bool ok) {
        if (!ok || reported) return;
        reported = true;
        Mark("load end");
    });
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    view.showMaximized();
    Mark("window");
    return app.exec();
}
