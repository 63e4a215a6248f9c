#include "shell/Application.h"

#include <memory>
#include <stdexcept>

namespace corvane {

namespace {

struct Arguments {
    int argc = 0;
    char** argv = nullptr;
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

void SetApplicationArguments(int argc, char** argv) { Args() = {argc, argv}; }

QApplication& Application() {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        auto* app = qobject_cast<QApplication*>(existing);
        if (!app) throw std::logic_error("the application object is not a QApplication");
        return *app;
    }
    static char name[] = "corvane";
    static char* fallback[] = {name, nullptr};
    Arguments& a = Args();
    if (!a.argv) a = {1, fallback};
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    Owned() = std::make_unique<QApplication>(a.argc, a.argv);
    // The main window's closing ends the message loop, not the last window (engine pop-ups may
    // still be open then).
    QApplication::setQuitOnLastWindowClosed(false);
    return *Owned();
}

void DestroyApplication() { Owned().reset(); }

}  // namespace corvane
