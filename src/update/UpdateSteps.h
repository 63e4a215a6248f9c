// The steps of the update sequence, each one operation on the world outside the program: bring the
// update launcher up to date, ask the update-check component and hand its outcome over, run the
// outside updater. UpdateSequence puts them in order.
//
// Threads: every function here runs on the environment check's worker thread; none touches a
// window. They reach the UI thread only through SendShellCommand and ShowMessageBoxFromWorker.
#pragma once

#include <QString>

#include "config/Settings.h"
#include "update/UpdateSeams.h"

namespace corvane::update {

// What the steps work with: where the program and its update folder lie, and the outside world.
// Copied into the environment check, so the worker reads only its own.
struct UpdateContext {
    config::AppSettings settings;
    UpdateSeams seams;
};

// Asks the component and acts on its answer; the outcome goes to the notification window as
// WM_SHELL_COMMAND code 1, "close" when an update is being installed, "continue" otherwise, and
// has been handled when the call returns. Returns false when no outcome was handed over: starting
// the launcher or sending failed (logged as "checkUpdate_DLL:..."), or there was no window.
bool CheckForUpdate(const UpdateContext& context);

// Puts a waiting "FUpdate_new" in place of "FUpdate" in the update folder. Failures of the delete
// and the rename leave the files as they are and are not reported.
void ReplaceLauncher(const config::AppSettings& settings);

// Runs the outside updater to its end when it lies beside the program; its exit code is not used.
void RunOutsideUpdater(const UpdateContext& context);

// Paths built from the program folder and the update folder.
QString LauncherPath(const config::AppSettings& s);         // <update folder>FUpdate
QString WaitingLauncherPath(const config::AppSettings& s);  // <update folder>FUpdate_new
QString LauncherFolder(const config::AppSettings& s);       // <update folder>, ending in "/"
QString LocalConfPath(const config::AppSettings& s);        // <update folder>LocalConf.ini
QString OutsideUpdaterPath(const config::AppSettings& s);   // <program folder>ExeUpdate

// The question shown for result 1: the description is appended from 3 characters on.
QString UpdateQuestionText(const QString& description);

}  // namespace corvane::update
