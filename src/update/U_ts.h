// The environment check at every start: an invisible modal window that owns the start-up worker
// thread (the update sequence), animates the current step in the wait window and, while it lives,
// is the notification window that receives the workers' shell commands.
//
// Threads: the window, RunEnvironmentCheck and the timer belong to the UI thread. The worker never
// touches the window: the check's outcome arrives as shell command code 1, and the sequence shares
// only i_type (its writer) and b_update_end (its reader) through a SequenceLink, and asks for the
// close through it. The worker has ended before the window is destroyed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <thread>

#include "update/StepCodes.h"
#include "update/UpdateFlags.h"
#include "update/UpdateSteps.h"

namespace corvane::update {

// The text drawn for a step code, before its dots ("" for codes without a text).
QString StepText(int type);

class TF_ts : public QDialog {
    Q_OBJECT
  public:
    // The worker runs the update sequence with its own copy of context.
    explicit TF_ts(const UpdateContext& context, QWidget* parent = nullptr);
    // FormDestroy: waits for the worker (see WaitForWorker) and gives the notification window role
    // back to the window that held it before this one was shown.
    ~TF_ts() override;

    // Stops the timer and, while the worker is still running, keeps handling events (the worker may
    // still send a shell command or ask a question) until it has finished; then joins it. UI
    // thread.
    void WaitForWorker();

  protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void FormShow();
    void Timer1Timer();
    // Handles WM_SHELL_COMMAND: code 0 shows the text in a box captioned with the product title,
    // code 1 records the update check's outcome ("close", any case, ends the start).
    void ShellCommand(int code, const QString& text);
    void StartWorker();
    // Ends the modal run. Any thread: from the worker it is a queued call, so the window must
    // outlive the call (RunEnvironmentCheck joins the worker before destroying the window).
    void RequestClose();

    QLabel* lbl_ts;
    QTimer* Timer1;
    bool b_do = false;
    std::atomic<bool> b_update_end{false};
    int i_count = 0;
    std::atomic<int> i_type{kStepNone};
    const UpdateContext context_;
    std::thread hThread_server;

    bool shown_ = false;
    QPointer<QWidget> savedNotification_;
    std::atomic<bool> workerFinished_{false};
};

// Runs the environment check window modally between the start-up check and the main window and
// returns true when start-up goes on to the main window. UI thread; once per start. A failure of
// the modal run passes on to the caller after the window is destroyed and the wait window hidden.
bool RunEnvironmentCheck(const UpdateContext& context);

// The window of the running environment check (null outside RunEnvironmentCheck). UI thread.
QPointer<TF_ts>& EnvironmentCheckWindow();

}  // namespace corvane::update
