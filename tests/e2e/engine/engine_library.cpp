#include "engine_library.h"

#include <dlfcn.h>

#include <QFileInfo>

bool EngineLibrary::Load(QString* error) {
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString path = QFileInfo(folder).absolutePath() + QStringLiteral("/CefLib/libcef.so");
    handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *error = QString::fromLocal8Bit(dlerror());
        return false;
    }
#define PROBE_ENGINE_LOOKUP(name)                              \
    name = reinterpret_cast<name##_t>(dlsym(handle, #name));   \
    if (!name) {                                               \
        *error = QStringLiteral("missing entry point " #name); \
        return false;                                          \
    }
    CEF_ENGINE_EXPORTS(PROBE_ENGINE_LOOKUP)
#undef PROBE_ENGINE_LOOKUP
    scripted_load_end =
        reinterpret_cast<corvane_scripted_load_end_t>(dlsym(handle, "corvane_scripted_load_end"));
    scripted_title_change = reinterpret_cast<corvane_scripted_title_change_t>(
        dlsym(handle, "corvane_scripted_title_change"));
    return true;
}

EngineLibrary::~EngineLibrary() {
    if (handle) dlclose(handle);
}
