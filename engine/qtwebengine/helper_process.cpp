#include "helper_process.h"

#include <QCoreApplication>
#include <cstring>

// Exported by libQt6WebEngineCore but declared only in Qt's private headers, which Debian does not
// ship. Qt's own QtWebEngineProcess is nothing but a QCoreApplication around this call; running it
// from our executable (with QTWEBENGINEPROCESS_PATH pointing at it) makes our executable the
// helper.
namespace QtWebEngineCore {
int processMain(int argc, const char** argv);
}

namespace corvane::engine {

bool IsHelperProcess(int argc, char** argv) {
    static constexpr char kSwitch[] = "--type=";
    static constexpr std::size_t kSwitchLength = sizeof(kSwitch) - 1;
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) return false;  // the rest are not switches
        if (std::strncmp(arg, kSwitch, kSwitchLength) == 0 && arg[kSwitchLength] != '\0')
            return true;
    }
    return false;
}

int RunHelperProcess(int argc, char** argv) {
    // QCoreApplication keeps a reference to argc for its whole life.
    static int app_argc;
    app_argc = argc;
    QCoreApplication app(app_argc, argv);
    return QtWebEngineCore::processMain(argc, const_cast<const char**>(argv));
}

}  // namespace corvane::engine
