#include "shell/StartupCheck.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "config/Settings.h"
#include "log/log4me.h"
#include "net/AdapterAddress.h"
#include "net/MachineIdentity.h"
#include "shell/AppGlob.h"
#include "shell/EngineBootstrap.h"
#include "shell/KioskEngine.h"
#include "text/TextUtil.h"

namespace corvane {

namespace {

// Hides the wait window when the check is left, whichever way. A process that never got an
// application object (an engine helper, a library that failed to load) has no wait window, and
// must not get one just to hide it.
struct HideWaitOnExit {
    ~HideWaitOnExit() {
        try {
            if (QCoreApplication::instance()) ShowWait(QString());
        } catch (...) {
            // ShowWait reports its own failures; nothing may leave a destructor.
        }
    }
};

bool CarriesProcessType(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = text::LowerAsciiLetters(QString::fromLocal8Bit(argv[i]));
        if (arg.contains(QLatin1String("--type=")) && arg.size() > 7) return true;
    }
    return false;
}

}  // namespace

bool StartupCheck(int argc, char** argv, AppContext& context) {
    HideWaitOnExit hideWait;
    config::AppSettings& settings = context.settings;
    CefSettings& engineSettings = context.engineSettings;

    net::SetMachineIdentity(net::GetAdapterAddress().remove(u'-'));

    QString updateFolder = config::FindUpdateFolder(settings.ProgramFolder);
    if (!updateFolder.isEmpty() && !updateFolder.endsWith(u'/')) updateFolder += u'/';
    settings.UpdateFolder = updateFolder;

    if (!QFileInfo::exists(engine::EngineLibraryPath(settings.ProgramFolder))) {
        AppMessageBox(nullptr, QStringLiteral("缺少系统运行环境！"));
        return false;
    }
    engineSettings.cache_path = engine::CacheFolder(settings.ProgramFolder);
    const bool singleProcess = config::ReadSingleProcessSwitch(settings.ProgramFolder);
    settings.SingleProcess = singleProcess;
    engineSettings.single_process = singleProcess;

    LogDebug(QStringLiteral("start-up: engine start"));
    if (!engine::StartEngine(argc, argv, settings.ProgramFolder, engineSettings)) return false;
    LogDebug(QStringLiteral("start-up: engine started"));

    if (CarriesProcessType(argc, argv)) return false;
    LogInfo(singleProcess ? QStringLiteral("True") : QStringLiteral("False"));

    ShowWait(QStringLiteral("正在读取配置信息..."));
    const bool configured = config::ReadConfig(settings);
    ApplyKioskSettings(settings.Kiosk);
    return configured;
}

}  // namespace corvane
