// The program's message boxes: the seam that lets tests answer them, boxes from worker threads and
// the application message box.
#include <QApplication>
#include <QMutex>
#include <QThread>

#include "shell/AppGlob.h"
#include "shell/Application.h"

namespace corvane {

namespace {

QMutex responderLock;

MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}

QMessageBox::StandardButton RealBox(const MessageBoxRequest& request) {
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.owner);
    if (request.topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int answer = box.exec();
    return QMessageBox::StandardButton(answer);
}

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) {
    QMutexLocker lock(&responderLock);
    Responder() = std::move(responder);
}

QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest& request) {
    // Boxes live on the UI thread; a worker that calls this waits there for the answer.
    if (QCoreApplication* app = QCoreApplication::instance();
        app && app->thread() != QThread::currentThread())
        return ShowMessageBoxFromWorker(request);
    // A box is the first window some starts show: the application object may not exist yet.
    Application();
    MessageBoxResponder responder;
    {
        QMutexLocker lock(&responderLock);
        responder = Responder();
    }
    return responder ? responder(request) : RealBox(request);
}

QMessageBox::StandardButton ShowMessageBoxFromWorker(const MessageBoxRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->thread() == QThread::currentThread()) return ShowMessageBox(request);
    MessageBoxRequest ownerless = request;
    ownerless.owner = nullptr;  // a widget of the UI thread cannot be named from here
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    QMetaObject::invokeMethod(
        app, [&] { answer = ShowMessageBox(ownerless); }, Qt::BlockingQueuedConnection);
    return answer;
}

void AppMessageBox(QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons) {
    ShowWait(QString());
    MessageBoxRequest request;
    request.owner = owner;
    request.text = text;
    request.caption = ProductTitle();
    request.buttons = buttons;
    ShowMessageBox(request);
}

}  // namespace corvane
