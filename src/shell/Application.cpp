#include "shell/Application.h"

#include "shell/UiLanguage.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {

namespace {

// A copy of the command line for the application object, which removes the options it knows from
// the array it is given; the caller's own argv stays as it came.
struct Arguments {
    std::vector<std::string> store;
    std::vector<char*> argv;
    int argc = 0;

    void Set(int count, char** values) {
        store.assign(values, values + count);
        argv.clear();
        for (std::string& s : store) argv.push_back(s.data());
        argv.push_back(nullptr);
        argc = count;
    }
};

Arguments& Args() {
    static Arguments args;
    return args;
}

std::unique_ptr<QApplication>& Owned() {
    static std::unique_ptr<QApplication> app;
    return app;
}

}  // namespace

void SetApplicationArguments(int argc, char** argv) { Args().Set(argc, argv); }

QApplication& Application() {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        auto* app = qobject_cast<QApplication*>(existing);
        if (!app) throw std::logic_error("the application object is not a QApplication");
        return *app;
    }
    static char name[] = "corvane";
    Arguments& a = Args();
    if (a.argv.empty()) a.Set(1, std::array<char*, 1>{name}.data());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    Owned() = std::make_unique<QApplication>(a.argc, a.argv.data());
    // The main window's closing ends the message loop, not the last window (engine pop-ups may
    // still be open then).
    QApplication::setQuitOnLastWindowClosed(false);
    InstallUiLanguage();
    return *Owned();
}

void DestroyApplication() { Owned().reset(); }

}  // namespace corvane
