#include "shell/Entry.h"

#include <QApplication>
#include <QPointer>
#include <exception>

#include "log/Diagnostic.h"
#include "log/ProgramFolder.h"
#include "log/log4me.h"
#include "shell/AppContext.h"
#include "shell/AppGlob.h"
#include "shell/Application.h"
#include "shell/EngineBootstrap.h"
#include "shell/ExecutablePath.h"
#include "shell/FileCreationMask.h"
#include "shell/FormWait.h"
#include "shell/StartupCheck.h"
#include "shell/UiStallTrace.h"

#include "browser/Uchrome.h"
#include "update/U_ts.h"

namespace corvane {

namespace {

// The context the rest of the start-up fills: the program folder, the built-in settings and the
// engine's defaults.
AppContext MakeContext(const QString& executablePath) {
    const QString programFolder = ProgramFolderOf(executablePath);
    return AppContext{config::DefaultSettings(programFolder), engine::DefaultEngineSettings()};
}

void ModuleStartUp(int argc, char** argv, const QString& executablePath, AppContext& context) {
    log4me::Start(executablePath);
    InstallDiagnosticRouting();
    // The browser window's module: the main process starts with an empty engine cache. A helper
    // process leaves it alone: its main process is using it.
    if (!engine::IsEngineHelperCommandLine(argc, argv))
        engine::WipeCacheAndIgnoreCertificateErrors(context.settings.ProgramFolder,
                                                    context.engineSettings);
}

// Call site of the environment check: the update check switch is on for every start, against the
// real outside components.
bool RunEnvironmentStep(const AppContext& context) {
    update::UpdateCheckSwitch() = true;
    return update::RunEnvironmentCheck({context.settings, update::RealUpdateSeams()});
}

// Call site of the main window: a top-level window that frees itself when closed.
QWidget* CreateMainWindow(const AppContext& context) {
    auto* window = new browser::TFrmChrome(context.settings);
    window->show();
    return window;
}

// Runs the message loop until the main window has closed (and freed itself).
void RunMessageLoop(QApplication& app, QWidget* mainWindow) {
    QPointer<QWidget> window(mainWindow);
    QObject::connect(mainWindow, &QObject::destroyed, &app, &QCoreApplication::quit);
    if (window) app.exec();
}

void ShowApplicationError(const QString& message) {
    ShowWait(QString());
    MessageBoxRequest request;
    request.text = message;
    request.caption = QStringLiteral("Application Error");
    request.icon = QMessageBox::Critical;
    ShowMessageBox(request);
}

void Ending(QPointer<QWidget>& mainWindow) {
    delete mainWindow.data();
    DestroyWaitForm();
    RemoveDiagnosticRouting();
    log4me::Stop();
    engine::ShutdownEngine();
}

}  // namespace

int RunCorvane(int argc, char** argv) {
    RestrictFileCreationMask();
    SetApplicationArguments(argc, argv);
    const QString executablePath = ExecutablePath();
    AppContext context = MakeContext(executablePath);
    ModuleStartUp(argc, argv, executablePath, context);

    int exitCode = 0;
    QPointer<QWidget> mainWindow;
    try {
        // The start-up's milestones, at debug level: where the time to the first page goes.
        LogDebug(QStringLiteral("start-up: startup check"));
        if (StartupCheck(argc, argv, context)) {
            QApplication& app = Application();
            StartUiStallTrace();
            LogDebug(QStringLiteral("start-up: environment check"));
            if (RunEnvironmentStep(context)) {
                LogDebug(QStringLiteral("start-up: main window"));
                mainWindow = CreateMainWindow(context);
                LogDebug(QStringLiteral("start-up: main window created"));
                RunMessageLoop(app, mainWindow);
            }
        }
    } catch (const std::exception& e) {
        ShowApplicationError(QString::fromUtf8(e.what()));
        exitCode = 1;
    } catch (...) {
        ShowApplicationError(QStringLiteral("Unknown failure"));
        exitCode = 1;
    }
    Ending(mainWindow);
    return exitCode;
}

}  // namespace corvane
