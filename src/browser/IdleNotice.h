// The notice of public terminal mode that a session is about to be cleared: a frameless window
// over the program's windows with a large Chinese text, the seconds left and a large "继续使用"
// button, sized for a finger on a touch screen. Any input closes it (IdleWatch); the button is
// what a taxpayer looks for.
//
// UI thread only; owned by IdleWatch.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace corvane::browser {

class IdleNotice : public QWidget {
    Q_OBJECT
  public:
    IdleNotice();

    // Shows the notice centred over `over` (its screen when none) with seconds left.
    void ShowOver(QWidget* over, int seconds);
    void SetSecondsLeft(int seconds);
    QString Text() const { return text_->text(); }
    QPushButton* ContinueButton() const { return continue_; }

    static QString TextFor(int seconds);

  private:
    QLabel* text_;
    QPushButton* continue_;
};

}  // namespace corvane::browser
