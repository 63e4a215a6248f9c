#include <dlfcn.h>

#include <QFile>
#include <cerrno>

#include "shell/DynamicLibrary.h"

namespace corvane::engine {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const QString& path, int* errorCode,
                                                     QString* errorText) {
    errno = 0;
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const int code = errno;
        const char* text = dlerror();
        if (errorCode) *errorCode = code;
        if (errorText) *errorText = QString::fromLocal8Bit(text ? text : "");
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::Symbol(const char* name) const {
    dlerror();
    return dlsym(handle_, name);
}

}  // namespace corvane::engine
