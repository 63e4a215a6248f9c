// A main window against the scripted engine, with its message boxes answered and recorded.
#pragma once

#include <gtest/gtest.h>

#include <QPointer>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScriptedEngine.h"
#include "browser/Uchrome.h"
#include "config/Settings.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

// One of the window's widgets or actions by its object name ("Chromium1", "Memo1", "N1", ...);
// throws, failing the test, when the window has none of that name and type.
template <class T>
T& Part(const QObject& window, const char* name) {
    T* part = window.findChild<T*>(QLatin1String(name));
    if (!part) throw std::runtime_error(std::string("The window has no ") + name);
    return *part;
}

class WindowFixture : public ::testing::Test {
  public:
    // The test program's folder, ending in "/" (set by main).
    static QString programFolder;

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
    config::AppSettings settings;  // what Open gives the window: the defaults, in SetUp
    config::KioskSettings& kiosk = settings.Kiosk;
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

  private:
    int ownId_ = 0;
};

}  // namespace corvane::browser
