// Product values and the message helpers every window uses: the shell command message, the
// notification window, the wait window text and the application message box.
#pragma once

#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace corvane {

// Caption of the program's message boxes.
QString ProductTitle();  // "Corvane"
// The support hotline, a build setting (CORVANE_HOTLINE).
QString Hotline();

// WM_SHELL_COMMAND: a command code and a text handed to a window on the UI thread. Windows that
// understand it handle ShellCommandEvent in event().
inline constexpr int WM_SHELL_COMMAND = 1148;

class ShellCommandEvent : public QEvent {
  public:
    static constexpr QEvent::Type kType = QEvent::Type(WM_SHELL_COMMAND);
    ShellCommandEvent(int code, const QString& text) : QEvent(kType), code_(code), text_(text) {}
    int code() const { return code_; }
    // Valid while the event is handled; never null (an empty text is an empty QString).
    const QString& text() const { return text_; }

  private:
    int code_;
    const QString& text_;
};

// The codes windows understand. The main window: kShowMessage, kClose, kPageCommand, kReserved and
// kRunScript; the environment check window: kShowMessage and kUpdateOutcome. Others are ignored.
namespace shell_code {
inline constexpr int kShowMessage = 0;    // a message box with the text
inline constexpr int kUpdateOutcome = 1;  // how the update check ended: "close" or "continue"
inline constexpr int kClose = 10;         // the window closes, after the current event
inline constexpr int kPageCommand = 20;   // the text is a navigated address: one page command step
inline constexpr int kReserved = 52;      // understood, with no visible effect
inline constexpr int kRunScript = 54;     // the text runs as script in the main frame
}  // namespace shell_code

// Sends code and text to the window and returns after its handler has run. Any thread: from
// another thread the caller blocks until the UI thread has handled it. A null window: nothing.
void SendShellCommand(QWidget* window, const QString& text, int code);

// The process-wide notification window (none at start); the environment check window holds the
// role while it lives. UI thread only for writing; senders read it when they send.
QPointer<QWidget>& NotificationWindow();

// Shows the wait window with the text, or hides it for an empty text. UI thread only.
void ShowWait(const QString& text);

// A message box as the program shows it. The seam below lets tests answer boxes without showing
// them; the program itself always uses the real QMessageBox.
struct MessageBoxRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool topmost = false;
};
using MessageBoxResponder = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;
// Replaces how boxes are answered (null restores real boxes). For UI tests.
void SetMessageBoxResponder(MessageBoxResponder responder);

// Shows a modal box on the UI thread and returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest& request);
// From a worker thread: shows the box on the UI thread (no owner) and blocks until it is answered.
QMessageBox::StandardButton ShowMessageBoxFromWorker(const MessageBoxRequest& request);

// Hides the wait window, then shows text captioned "Corvane" with the given buttons.
void AppMessageBox(QWidget* owner, const QString& text,
                   QMessageBox::StandardButtons buttons = QMessageBox::Ok);

}  // namespace corvane
