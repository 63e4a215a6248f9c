// A shared library loaded at run time and released when this object goes. The platform part is
// DynamicLibrary_linux.cpp. Any thread; one owner.
#pragma once

#include <QString>
#include <memory>

namespace corvane::engine {

class DynamicLibrary {
  public:
    // Loads the library at path, resolving all its symbols now. On failure returns null with the
    // system's error number and text.
    static std::unique_ptr<DynamicLibrary> Load(const QString& path, int* errorCode,
                                                QString* errorText);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The exported symbol, or null when the library has none by that name.
    void* Symbol(const char* name) const;

  private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace corvane::engine
