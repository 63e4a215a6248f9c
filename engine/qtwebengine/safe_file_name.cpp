#include "safe_file_name.h"

#include <QList>

namespace corvane::engine {
namespace {

// NAME_MAX of Linux file systems (255) less ".crdownload", which Chromium adds to the name while
// the download runs: a longer name fails as the download starts.
constexpr int kMaxNameBytes = 255 - 11;
constexpr QChar kReplacement = u'_';

bool IsUnsafe(char32_t c) {
    if (c == u'/' || c == u'\\') return true;
    const QChar::Category category = QChar::category(c);
    // Cc: control characters; Cf: invisible format characters such as U+202E, which would show a
    // name's end reversed ("exe.txt" for "txt.exe"); Cs: a lone surrogate.
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           category == QChar::Other_Surrogate;
}

bool IsBlank(QChar c) { return c.isSpace(); }

// Cuts text to at most max_bytes of UTF-8 without splitting a character.
QString CutToBytes(const QString& text, int max_bytes) {
    QString out;
    int bytes = 0;
    for (char32_t c : text.toUcs4()) {
        const int size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + size > max_bytes) break;
        bytes += size;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

QString LimitLength(const QString& name) {
    if (name.toUtf8().size() <= kMaxNameBytes) return name;
    // Keep a short extension, so that the file still opens with the right program.
    const int dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    if (!extension.isEmpty() && extension.toUtf8().size() <= 32) {
        const QString stem = CutToBytes(name.left(dot), kMaxNameBytes - extension.toUtf8().size());
        if (!stem.isEmpty()) return stem + extension;
    }
    return CutToBytes(name, kMaxNameBytes);
}

}  // namespace

QString SafeDownloadFileName(const QString& suggested) {
    QString name;
    for (char32_t c : suggested.toUcs4()) {
        if (IsUnsafe(c))
            name += kReplacement;
        else
            name += QString::fromUcs4(&c, 1);
    }
    // A leading dot would hide the file or, alone or doubled, name a folder.
    qsizetype start = 0;
    while (start < name.size() && (name[start] == u'.' || IsBlank(name[start]))) ++start;
    qsizetype end = name.size();
    while (end > start && IsBlank(name[end - 1])) --end;
    name = LimitLength(name.mid(start, end - start));
    return name.isEmpty() ? QStringLiteral("download") : name;
}

}  // namespace corvane::engine
