// The update sequence that runs at every start on the environment check's worker thread: bring
// the update launcher up to date, ask the update-check component, then either hand over to the
// launcher (the start ends) or run the outside updater to its end (the start goes on).
//
// Threads: every function here runs on the worker thread; it reaches the UI thread only through
// SendShellCommand, ShowMessageBoxFromWorker and TF_ts::RequestClose.
#pragma once

#include <QString>

namespace corvane::update {

class TF_ts;

// The body of the worker thread. Ends, in every path, by asking the window to close; never throws.
void RunUpdateSequence(TF_ts& window);

// Asks the component and acts on its answer; the outcome reaches the notification window as
// WM_SHELL_COMMAND code 1, "close" when an update is being installed, "continue" otherwise.
void CheckForUpdate();

// Puts a waiting "FUpdate_new" in place of "FUpdate" in the update folder. Failures of the delete
// and the rename leave the files as they are and are not reported.
void ReplaceLauncher();

// Paths built from the program folder and the update folder.
QString LauncherPath();         // <update folder>FUpdate
QString WaitingLauncherPath();  // <update folder>FUpdate_new
QString LauncherFolder();       // <update folder>, ending in "/"
QString LocalConfPath();        // <update folder>LocalConf.ini
QString OutsideUpdaterPath();   // <program folder>ExeUpdate

// The question shown for result 1: the description is appended from 3 characters on.
QString UpdateQuestionText(const QString& description);

}  // namespace corvane::update
