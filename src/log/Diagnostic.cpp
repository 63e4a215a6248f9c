#include "log/Diagnostic.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <mutex>

#include "log/DiagnosticRoute.h"
#include "log/log4me.h"

namespace corvane {
namespace {

// The folder of the most recent report whose folder differed from the one before. Shared by all
// threads; the lock keeps a comparison from reading a half-replaced value.
std::mutex& FolderLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
QString& LastSourceFolder() {
    static auto* folder = new QString;
    return *folder;
}

qsizetype LastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

// The call site as eight hexadecimal digits. A 64-bit address does not fit, and would differ at
// every run anyway; the offset from the load base of the module holding the call does both: it
// fits and it is what `addr2line -e <module> 0x<offset>` takes to name the line.
QString AddressText(const void* callSite) {
    uintptr_t value = reinterpret_cast<uintptr_t>(callSite);
    Dl_info info{};
    if (callSite && dladdr(callSite, &info) != 0 && info.dli_fbase)
        value -= reinterpret_cast<uintptr_t>(info.dli_fbase);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", unsigned(value & 0xFFFFFFFFu));
    return QString::fromLatin1(buf);
}

}  // namespace

namespace detail {

void RouteDiagnostic(const QString& level, const QString& message, const char* sourceFile, int line,
                     const void* callSite) {
    try {
        const QString path = QString::fromUtf8(sourceFile ? sourceFile : "");
        const qsizetype sep = LastSeparator(path);
        const QString folder = path.left(sep + 1);
        const QString fileName = path.mid(sep + 1);
        bool folderChanged = false;
        {
            std::lock_guard lock(FolderLock());
            QString& last = LastSourceFolder();
            if (folder.compare(last, Qt::CaseInsensitive) != 0) {
                last = folder;
                folderChanged = true;
            }
        }
        if (folderChanged) LogDebug(folder);

        const QString text = QStringLiteral("Addr: ") + AddressText(callSite) +
                             QStringLiteral(", in file(") + QString::number(line) +
                             QStringLiteral("): ") + fileName + QStringLiteral(", ") + level +
                             QStringLiteral(": \r\n") + message + u' ';
        if (level.compare(u"error", Qt::CaseInsensitive) == 0)
            LogError(text);
        else if (level.compare(u"info", Qt::CaseInsensitive) == 0)
            LogInfo(text);
        else
            LogDebug(text);
    } catch (...) {
        // A report never interrupts its caller.
    }
}

}  // namespace detail

__attribute__((noinline)) void ReportDiagnosticAt(const QString& text, const char* sourceFile,
                                                  int line) {
    // Where the caller continues after this call: the address the report names.
    const void* callSite = __builtin_extract_return_addr(__builtin_return_address(0));
    try {
        const qsizetype caret = text.indexOf(u'^');
        if (caret < 0)
            detail::RouteDiagnostic(QStringLiteral("debug"), text, sourceFile, line, callSite);
        else
            detail::RouteDiagnostic(text.left(caret), text.mid(caret + 1), sourceFile, line,
                                    callSite);
    } catch (...) {
    }
}

void InstallDiagnosticRouting() { detail::SetCheckRouting(true); }

void RemoveDiagnosticRouting() {
    detail::SetCheckRouting(false);
    std::lock_guard lock(FolderLock());
    LastSourceFolder().clear();
}

}  // namespace corvane
