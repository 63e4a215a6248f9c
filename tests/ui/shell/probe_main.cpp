// The program's entry with its message boxes answered through the seam and its visible effects
// written to a report, so that a test can start it in a prepared program folder and read what
// it did. The report (path in CORVANE_PROBE_REPORT) has one line per fact:
//   box <caption>|<text>          a message box (answered OK)
//   app                           the application object was created
//   shown <class>|<title>|<text>  a window was shown (text: the wait window's text)
//   execute <calls>|<args>        the engine's execute-process record
//   initialize <calls>|single_process=<0/1>|cache_path=<path>|ignore_cert=<0/1>|log_severity=<n>|
//              locale=<tag>
//   shutdown <calls>
//   browsers <number of browsers the program created>
//   identity <machine identity>
//   exit <code>
// The main window is closed as soon as its browser exists, through the normal close path.
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

#include "ScriptedEngine.h"
#include "net/MachineIdentity.h"
#include "shell/AppGlob.h"
#include "shell/Entry.h"
#include "shell/FormWait.h"

namespace {

void Report(const QString& line) {
    QFile file(qEnvironmentVariable("CORVANE_PROBE_REPORT"));
    if (!file.open(QIODevice::Append)) return;
    QString escaped = line;
    escaped.replace(QLatin1String("\r"), QLatin1String("\\r"))
        .replace(QLatin1String("\n"), QLatin1String("\\n"));
    file.write(escaped.toUtf8() + '\n');
}

class ShowRecorder : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow()) {
                const auto* wait = qobject_cast<corvane::TFrmWait_show*>(w);
                Report(QStringLiteral("shown %1|%2|%3")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle(),
                                wait ? wait->Msg() : QString()));
            }
        }
        return false;
    }
};

void ApplicationCreated() {
    Report(QStringLiteral("app"));
    static ShowRecorder recorder;
    qApp->installEventFilter(&recorder);
}

QString Bool(bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

int main(int argc, char** argv) {
    qAddPreRoutine(&ApplicationCreated);
    corvane::SetMessageBoxResponder([](const corvane::MessageBoxRequest& r) {
        Report(QStringLiteral("box %1|%2").arg(r.caption, r.text));
        return QMessageBox::Ok;
    });
    auto& engine = corvane::scripted::Engine();
    engine.SetOnBrowserCreated([](int) {
        QTimer::singleShot(0, qApp, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMainWindow*>(w) && w->isVisible()) w->close();
        });
    });

    const int code = corvane::RunCorvane(argc, argv);

    Report(QStringLiteral("execute %1|%2")
               .arg(engine.executeProcessCalls)
               .arg(engine.executeProcessArgs.join(u' ')));
    if (const auto& s = engine.initializeSettings)
        Report(QStringLiteral("initialize %1|single_process=%2|cache_path=%3|ignore_cert=%4|"
                              "log_severity=%5|locale=%6")
                   .arg(engine.initializeCalls)
                   .arg(Bool(s->single_process), s->cache_path, Bool(s->ignore_certificate_errors))
                   .arg(s->log_severity)
                   .arg(s->locale));
    Report(QStringLiteral("shutdown %1").arg(engine.shutdownCalls));
    Report(QStringLiteral("browsers %1").arg(engine.CallsNamed(QStringLiteral("create")).size()));
    Report(QStringLiteral("identity ") + corvane::net::MachineIdentity());
    Report(QStringLiteral("exit %1").arg(code));
    return code;
}
