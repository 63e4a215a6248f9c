#include "update/UpdateSteps.h"

#include <QFile>
#include <array>
#include <cstring>
#include <filesystem>

#include "log/Diagnostic.h"
#include "log/log4me.h"
#include "shell/AppGlob.h"
#include "text/AnsiCodePage.h"

namespace corvane::update {

namespace {

// The launcher's base name in the update folder.
const QString kLauncherName = QStringLiteral("FUpdate");
// Size of the description buffer handed to the component.
constexpr size_t kDescriptionBuffer = 200;
// Show states of the started programs (a Windows value; X11 gives it no meaning).
constexpr uint16_t kShowNormal = 1;

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// An existing file that is not a folder (links followed), as the checks for the launcher files
// and the outside updater mean it.
bool IsFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

QString FailureText(const std::exception& e) { return QString::fromLocal8Bit(e.what()); }

// Result 1: the user decides. The box is shown on the UI thread above the wait window while this
// worker waits for the answer.
bool UserWantsUpdate(const QString& description) {
    MessageBoxRequest box;
    box.text = UpdateQuestionText(description);
    box.caption = QStringLiteral("系统提示");
    box.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    box.icon = QMessageBox::Information;
    box.topmost = true;
    return ShowMessageBoxFromWorker(box) == QMessageBox::Ok;
}

void StartLauncher(const UpdateContext& context) {
    const QString launcher = LauncherPath(context.settings);
    QString error;
    if (!context.seams.startDetached(launcher, LauncherFolder(context.settings), &error)) {
        // The program still ends, as it does after a started launcher; the log says why nothing
        // was installed.
        ReportDiagnostic(
            QStringLiteral("error^update launcher %1 not started: %2").arg(launcher, error));
    }
}

}  // namespace

QString LauncherFolder(const config::AppSettings& s) { return s.ProgramFolder + s.UpdateFolder; }
QString LauncherPath(const config::AppSettings& s) { return LauncherFolder(s) + kLauncherName; }
QString WaitingLauncherPath(const config::AppSettings& s) {
    return LauncherFolder(s) + kLauncherName + QStringLiteral("_new");
}
QString LocalConfPath(const config::AppSettings& s) {
    return LauncherFolder(s) + QStringLiteral("LocalConf.ini");
}
QString OutsideUpdaterPath(const config::AppSettings& s) {
    return s.ProgramFolder + QStringLiteral("ExeUpdate");
}

QString UpdateQuestionText(const QString& description) {
    const QString question = QStringLiteral("软件有新的更新，是否立即升级？");
    if (description.length() < 3) return question;
    return question + QStringLiteral("\r\n更新内容：") + description;
}

void ReplaceLauncher(const config::AppSettings& settings) {
    try {
        const auto waiting = FsPath(WaitingLauncherPath(settings));
        if (!IsFile(waiting)) return;
        const auto launcher = FsPath(LauncherPath(settings));
        std::error_code ignored;
        if (IsFile(launcher)) std::filesystem::remove(launcher, ignored);
        std::filesystem::rename(waiting, launcher, ignored);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + FailureText(e));
    }
}

bool CheckForUpdate(const UpdateContext& context) {
    const QByteArray settingsPath = text::ToAnsi(LocalConfPath(context.settings));
    const QByteArray paramsPath = text::ToAnsi(config::QvprmPath(context.settings));
    std::array<char, kDescriptionBuffer> buffer{};

    bool install = false;
    try {
        const int32_t result = context.seams.checkupdate(settingsPath.constData(),
                                                         paramsPath.constData(), buffer.data());
        // Never read past the buffer, whatever the component left in it.
        buffer.back() = '\0';
        const QString description =
            text::FromAnsi(std::string_view(buffer.data(), std::strlen(buffer.data())));
        install = result == 2 || (result == 1 && UserWantsUpdate(description));
    } catch (const std::exception& e) {
        // A failing component means nothing to install; the start goes on without waiting.
        ReportDiagnostic(QStringLiteral("error^") + FailureText(e));
        install = false;
    } catch (...) {
        ReportDiagnostic(QStringLiteral("error^Checkupdate failed"));
        install = false;
    }

    try {
        if (install) StartLauncher(context);
        // The window as it is when sending; without one the outcome reaches nobody.
        const QPointer<QWidget> window = NotificationWindow();
        SendShellCommand(window, install ? QStringLiteral("close") : QStringLiteral("continue"),
                         shell_code::kUpdateOutcome);
        return !window.isNull();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("checkUpdate_DLL:") + FailureText(e));
        return false;
    }
}

void RunOutsideUpdater(const UpdateContext& context) {
    const QString updater = OutsideUpdaterPath(context.settings);
    if (IsFile(FsPath(updater))) context.seams.runAndWait(updater, kShowNormal);
}

}  // namespace corvane::update
