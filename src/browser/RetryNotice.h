// Public terminal mode's answer to a portal that cannot be reached: the program's own notice over
// the main window (Chinese, naming the support hotline, saying it tries again by itself), and the
// start page loaded again every retrySeconds until a load succeeds.
//
// UI thread only; owned by the main window, the notice a child covering its client area.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace corvane::browser {

class RetryNotice : public QWidget {
    Q_OBJECT
  public:
    // over: the widget whose area the notice covers (it follows its size). reload: loads the
    // start page once.
    RetryNotice(QWidget* over, int retrySeconds, std::function<void()> reload);

    // A main-page load failed: the notice shows (once) and the next load is due in retrySeconds.
    void Failed(const QString& reason);
    // A main-page load succeeded: the notice goes and nothing more is retried.
    void Succeeded();
    bool Waiting() const { return retry_.isActive(); }
    QString Text() const { return text_->text(); }

    static QString TextFor(int retrySeconds);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Cover();

    QPointer<QWidget> over_;
    std::function<void()> reload_;
    QTimer retry_;
    QLabel* text_;
    int failures_ = 0;
};

}  // namespace corvane::browser
