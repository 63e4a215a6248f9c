// Product values, the shell command message and the notification window.
#include "shell/AppGlob.h"

#include <QCoreApplication>
#include <QThread>

#include "corvane_build_config.h"

namespace corvane {

QString ProductTitle() { return QStringLiteral("Corvane"); }

QString Hotline() { return QStringLiteral(CORVANE_HOTLINE); }

void SendShellCommand(QWidget* window, const QString& text, int code) {
    if (!window) return;
    // The handler is promised a text, never a null one: an empty text stays an empty text.
    static const QString kEmpty = QString::fromLatin1("", 0);
    const QString& handed = text.isNull() ? kEmpty : text;
    if (window->thread() == QThread::currentThread()) {
        ShellCommandEvent event(code, handed);
        QCoreApplication::sendEvent(window, &event);
        return;
    }
    // From another thread: the UI thread handles it while this thread waits, so the text the
    // event refers to stays valid. A window destroyed before its turn drops the call, which
    // still releases this thread.
    QPointer<QWidget> target(window);
    QMetaObject::invokeMethod(
        window,
        [target, &handed, code] {
            if (!target) return;
            ShellCommandEvent event(code, handed);
            QCoreApplication::sendEvent(target, &event);
        },
        Qt::BlockingQueuedConnection);
}

QPointer<QWidget>& NotificationWindow() {
    static QPointer<QWidget> window;
    return window;
}

}  // namespace corvane
