// A main window against the scripted engine, with its message boxes answered and recorded.
#pragma once

#include <gtest/gtest.h>

#include <QPointer>
#include <vector>

#include "ScriptedEngine.h"
#include "browser/Uchrome.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window (and shows it), then delivers what the engine queued meanwhile.
    TFrmChrome& Open(bool show = true);
    // Delivers queued engine events until none are left, and the window's posted events.
    void Settle();
    // True once the window has closed and been freed.
    bool WaitUntilGone();

    static scripted::ScriptedEngine& Engine() { return scripted::Engine(); }
    int OwnId() const { return ownId_; }
    QStringList NavigationLog() const;
    QStringList CallNames() const;
    // The program's log so far.
    static QString LogText();

    QPointer<TFrmChrome> window;
    config::KioskSettings kiosk;  // the public terminal settings Open gives the window
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

  private:
    int ownId_ = 0;
};

}  // namespace corvane::browser
