// The wait window: a borderless, always-on-top 406 x 48 strip with a looping search animation and
// one line of blue text telling the user what the start-up is doing. UI thread only.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace corvane {

class SearchAnimation;

class TFrmWait_show : public QWidget {
    Q_OBJECT
  public:
    explicit TFrmWait_show(QWidget* parent = nullptr);

    QString Msg() const;
    // Empty: stops the animation and hides the window. Otherwise shows the window, starts the
    // animation when it is not running and repaints at once.
    void SetMsg(const QString& text);

    bool IsAnimating() const;
    // Times the animation has been started (a second text does not restart it).
    int AnimationStarts() const;

  private:
    SearchAnimation* Animate1;
    QLabel* Label1;
    int animationStarts_ = 0;
};

// The one wait window (null before the first ShowWait).
TFrmWait_show* WaitForm();
// Destroys the wait window at the end of the process (the entry's ending); a later ShowWait would
// create a new one.
void DestroyWaitForm();

}  // namespace corvane
