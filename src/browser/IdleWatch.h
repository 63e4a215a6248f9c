// Public terminal mode's idle reset: watches keyboard, mouse and touch input in every window of
// the program (an application-wide event filter); after idleSeconds without any it shows the
// IdleNotice counting down noticeSeconds, and at zero calls reset. Any input closes the notice
// and starts the idle time again.
//
// UI thread only. The window that owns it installs it for its own life.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "browser/IdleNotice.h"

namespace corvane::browser {

class IdleWatch : public QObject {
    Q_OBJECT
  public:
    // over: the window the notice is centred on. reset: runs once per countdown that reaches 0.
    IdleWatch(int idleSeconds, int noticeSeconds, QWidget* over, std::function<void()> reset,
              QObject* parent = nullptr);
    ~IdleWatch() override;

    // Starts the idle time again (input came, or a reset is done); closes the notice.
    void Restart();
    bool NoticeShown() const { return notice_ && notice_->isVisible(); }
    IdleNotice* Notice() const { return notice_.get(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Idle();
    void Tick();

    const int noticeSeconds_;
    QPointer<QWidget> over_;
    std::function<void()> reset_;
    QTimer idle_;
    QTimer tick_;
    int left_ = 0;
    QPoint lastPointer_{-1, -1};
    std::unique_ptr<IdleNotice> notice_;
};

}  // namespace corvane::browser
