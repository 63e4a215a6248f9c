// engine_probe: a small host of the engine library for the end-to-end tests. It loads
// CefLib/libcef.so from its own folder as the shell does, serves as the engine's helper process
// (Chromium starts it again with "--type=..."), and otherwise opens one browser in a window,
// prints every event on stdout and follows commands on stdin (see probe.cpp).
//
//   engine_probe --cache DIR [--url URL] [--single-process] [--strict-certificates]
#include <QApplication>
#include <cstdio>

#include "engine_library.h"
#include "probe.h"
#include "probe_client.h"
#include "probe_output.h"

int main(int argc, char** argv) {
    EngineLibrary engine;
    QString error;
    if (!engine.Load(&error)) {
        std::fprintf(stderr, "engine_probe: %s\n", qUtf8Printable(error));
        return 2;
    }
    CefMainArgs args{argc, argv};
    CefRefPtr<CefApp> app(new CefApp);
    const int helper_code = engine.cef_execute_process(&args, app.get(), nullptr);
    if (helper_code >= 0) return helper_code;
    // The handshake the shell makes (here only in the main process: helpers share stdout), and
    // which kind of library this is.
    Emit(QStringLiteral("library interface=%1 scripted=%2")
             .arg(engine.corvane_engine_interface_version())
             .arg(engine.scripted_load_end ? 1 : 0));

    ProbeOptions options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--cache" && i + 1 < argc)
            options.cache_path = QString::fromLocal8Bit(argv[++i]);
        else if (arg == u"--url" && i + 1 < argc)
            options.start_url = QString::fromLocal8Bit(argv[++i]);
        else if (arg == u"--single-process")
            options.single_process = true;
        else if (arg == u"--strict-certificates")
            options.strict_certificates = true;
    }

    // A view made by a run-time-loaded engine needs the contexts shared from the start.
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qt_argc = 1;
    QApplication qt_app(qt_argc, argv);

    CefSettings settings;
    settings.cache_path = options.cache_path;
    settings.single_process = options.single_process;
    settings.log_severity = LOGSEVERITY_DISABLE;
    settings.ignore_certificate_errors = !options.strict_certificates;
    if (engine.cef_initialize(&args, &settings, app.get(), nullptr) != 1) {
        std::fprintf(stderr, "engine_probe: cef_initialize failed\n");
        return 3;
    }
    ProbeAnswers answers;
    int code;
    {
        Probe probe(engine, options, answers);
        code = qt_app.exec();
    }
    engine.cef_shutdown();
    Emit(QStringLiteral("shutdown-done"));
    Emit(QStringLiteral("exit %1").arg(code));
    return code;
}
