// How the private-profile functions take an INI file apart: the file's text encoding, its lines
// and what each line says. Shared by the reader and the writer in IniFile.cpp.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace corvane::config::ini {

// Longest value a read returns, in UTF-16 units; longer values are cut.
inline constexpr qsizetype kMaxValueLength = 2047;

enum class Encoding { Ansi, Utf8WithBom, Utf16LeWithBom };

struct Detected {
    Encoding encoding = Encoding::Ansi;
    qsizetype bomLength = 0;
};
Detected DetectEncoding(const QByteArray& bytes);

// The whole text of a file's bytes (without the byte-order mark).
QString DecodeText(const QByteArray& bytes);

// Text encoded as the file stores it (no byte-order mark).
QByteArray EncodeText(const QString& text, Encoding encoding);

// One line of the file as stored: its bytes without the line end, and the line end ("\r\n",
// "\n", "\r" or "" for a last line without one).
struct RawLine {
    QByteArray content;
    QByteArray end;
};
// Splits the bytes after the byte-order mark into lines; joining them back gives the bytes again.
std::vector<RawLine> SplitRawLines(const QByteArray& bytes, const Detected& detected);
QString DecodeLine(const QByteArray& content, Encoding encoding);

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QString name;   // section or key name, blanks around it dropped
    QString value;  // for a key: blanks dropped, one pair of matching quotes removed, cut
};
ParsedLine ParseLine(QStringView line);

bool SameName(QStringView a, QStringView b);

}  // namespace corvane::config::ini
