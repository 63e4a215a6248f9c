#include <QFile>
#include <filesystem>
#include <system_error>

#include "shell/ExecutablePath.h"

namespace corvane {

QString ExecutablePath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? QString() : QFile::decodeName(exe.c_str());
}

}  // namespace corvane
