#include "config/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "config/IniText.h"

namespace corvane::config {
namespace {

// Reads the whole file; nullopt with the reason when it exists but cannot be read, an empty
// array when it does not exist.
std::optional<QByteArray> ReadFileBytes(const QString& path, QString* error) {
    QFile file(path);
    if (!file.exists()) return QByteArray();
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (error) {
            const QString reason =
                QFileInfo(path).isDir() ? QStringLiteral("It is a folder.") : file.errorString();
            *error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
        }
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return bytes;
}

bool IsStructural(QChar c) { return c == u'\r' || c == u'\n'; }

}  // namespace

bool IniReader::Load(const QString& path, QString* error) {
    text_.clear();
    const std::optional<QByteArray> bytes = ReadFileBytes(path, error);
    if (!bytes) return false;
    text_ = ini::DecodeText(*bytes);
    return true;
}

QString IniReader::Read(const QString& section, const QString& key, const QString& def) const {
    const QStringView text(text_);
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && !IsStructural(text[end])) ++end;
        const ini::ParsedLine line = ini::ParseLine(text.mid(pos, end - pos));
        if (line.kind == ini::ParsedLine::Section)
            inSection = ini::SameName(line.name, section);
        else if (inSection && line.kind == ini::ParsedLine::Key && ini::SameName(line.name, key))
            return line.value;
        pos = end + 1;
    }
    return def;
}

QString ReadIniString(const QString& path, const QString& section, const QString& key,
                      const QString& def) {
    try {
        IniReader reader;
        if (!reader.Load(path)) return def;
        return reader.Read(section, key, def);
    } catch (...) {
        return def;  // out of memory on an enormous file: the caller keeps its default
    }
}

bool WriteIniString(const QString& path, const QString& section, const QString& key,
                    const QString& value) {
    auto badName = [](const QString& name, bool isKey) {
        return name.trimmed().isEmpty() || name.contains(u'\r') || name.contains(u'\n') ||
               name.contains(u']') || (isKey && name.contains(u'='));
    };
    if (badName(section, false) || badName(key, true)) return false;
    try {
        const std::optional<QByteArray> existing = ReadFileBytes(path, nullptr);
        if (!existing) return false;  // never replace a file that could not be read
        const ini::Detected detected = ini::DetectEncoding(*existing);
        QByteArray bytes = *existing;
        // Half a code unit at the end of a UTF-16 file belongs to no character (the reader drops
        // it); kept, it would shift every line written after it by one byte.
        if (detected.encoding == ini::Encoding::Utf16LeWithBom &&
            (bytes.size() - detected.bomLength) % 2 != 0)
            bytes.chop(1);
        std::vector<ini::RawLine> lines = ini::SplitRawLines(bytes, detected);

        qsizetype cut = 0;
        while (cut < value.size() && !IsStructural(value[cut])) ++cut;
        const QString safeValue = value.left(cut);
        const QByteArray newEnd = ini::EncodeText(QStringLiteral("\r\n"), detected.encoding);
        auto encodeLine = [&](const QString& text) {
            return ini::EncodeText(text, detected.encoding);
        };

        // Find the section and, in it, the key; remember the last key line of the section so a
        // new key goes after the section's keys, before any blank lines that follow them.
        std::optional<size_t> sectionLine, lastInSection, keyLine;
        QString existingKeyName;
        bool inSection = false;
        for (size_t i = 0; i < lines.size() && !keyLine; ++i) {
            const ini::ParsedLine p =
                ini::ParseLine(ini::DecodeLine(lines[i].content, detected.encoding));
            if (p.kind == ini::ParsedLine::Section) {
                inSection = !sectionLine && ini::SameName(p.name, section);
                if (inSection) sectionLine = lastInSection = i;
            } else if (inSection && p.kind == ini::ParsedLine::Key) {
                lastInSection = i;
                if (ini::SameName(p.name, key)) {
                    keyLine = i;
                    existingKeyName = p.name;
                }
            }
        }

        auto insertAfter = [&](size_t index, ini::RawLine line) {
            if (lines[index].end.isEmpty()) lines[index].end = newEnd;
            lines.insert(lines.begin() + qsizetype(index) + 1, std::move(line));
        };
        if (keyLine) {
            lines[*keyLine].content = encodeLine(existingKeyName + u'=' + safeValue);
        } else if (sectionLine) {
            insertAfter(*lastInSection, {encodeLine(key + u'=' + safeValue), newEnd});
        } else {
            if (!lines.empty() && lines.back().end.isEmpty()) lines.back().end = newEnd;
            lines.push_back({encodeLine(u'[' + section + u']'), newEnd});
            lines.push_back({encodeLine(key + u'=' + safeValue), newEnd});
        }

        QByteArray out = existing->left(detected.bomLength);
        for (const ini::RawLine& line : lines) out += line.content + line.end;

        // Written through a temporary file renamed over the old one, so that a failed write never
        // leaves a half-written file; straight into the file where no temporary can be created.
        QSaveFile file(path);
        file.setDirectWriteFallback(true);
        if (!file.open(QIODevice::WriteOnly)) return false;
        if (file.write(out) != out.size()) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
    } catch (...) {
        return false;
    }
}

}  // namespace corvane::config
