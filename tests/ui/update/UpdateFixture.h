// A program folder of its own for each test (the log writer started on it, HISUPDATE with the
// launcher stand-in and LocalConf.ini), recording seams around the real component and process
// starts, a clock whose pauses are recorded and pass at once, answered message boxes, and a record
// of the wait window's texts.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <vector>

#include "config/Settings.h"
#include "shell/AppGlob.h"
#include "update/UpdateSeams.h"

namespace updatetest {

class UpdateFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Folders of the test's program, ending in "/".
    QString ProgramFolder() const;
    QString UpdateFolder() const;

    // HISUPDATE/LocalConf.ini for the component stand-in (description in the ANSI code page).
    void WriteLocalConf(int result, const QString& description = QString(), int delayMs = 0);
    // The outside updater stand-in beside the program, waiting delayMs.
    void InstallExeUpdate(int delayMs = 0);
    void WriteFile(const QString& path, const QByteArray& content);
    QByteArray ReadFile(const QString& path) const;

    // Runs the environment check as the entry does, recording the wait window's texts.
    bool RunCheck();
    // Replaces the component with a scripted one for this test.
    void ScriptCheckupdate(corvane::update::CheckupdateFunction fn);
    // Called on the worker thread after each recorded pause, with the number of pauses so far.
    void OnPause(std::function<void(int pauses)> fn);

    // Everything the program's log files hold.
    QByteArray LogText() const;
    // Lines of HISUPDATE/fupdate.log once it exists (the launcher runs on its own); empty when
    // it did not appear within the wait.
    QStringList LauncherLogLines(int waitMs = 30000) const;

    // What RunCheck gives the check: the test's program folder with HISUPDATE/, and seams that
    // record each call and pass it on to the real component, process start and (at once) clock.
    corvane::config::AppSettings settings;
    corvane::update::UpdateSeams seams = corvane::update::RealUpdateSeams();

    // What happened during RunCheck.
    QStringList waitTexts;
    std::vector<corvane::MessageBoxRequest> Boxes() const;
    std::vector<std::chrono::milliseconds> Pauses() const;
    QMessageBox::StandardButton boxAnswer = QMessageBox::Ok;
    QStringList runAndWaitCalls;                       // command lines
    std::vector<std::pair<QString, QString>> started;  // program, working folder
    int checkupdateCalls = 0;

  private:
    QTemporaryDir dir_;
    mutable QMutex lock_;
    std::vector<corvane::MessageBoxRequest> boxes_;
    corvane::update::CheckupdateFunction scripted_;
    std::vector<std::chrono::milliseconds> pauses_;
    std::function<void(int)> onPause_;
};

}  // namespace updatetest
