// Conversions between the program's wide text (QString, UTF-16) and the one ANSI code page the
// program uses for INI files, log lines and file names, page-command decoding and the report body.
//
// The code page is fixed at build time (CORVANE_ANSI_CODEPAGE, GBK by default). A character the
// code page cannot hold becomes "?"; invalid bytes on the way in become U+FFFD and never stop the
// conversion. Every function is thread-safe: each thread keeps its own cached iconv descriptors.
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

namespace corvane::text {

// The iconv name of the program's ANSI code page ("GBK" unless built otherwise).
const char* AnsiCodePageName();

QByteArray ToAnsi(const QString& text);
QString FromAnsi(std::string_view bytes);
inline QString FromAnsi(const QByteArray& bytes) {
    return FromAnsi(std::string_view(bytes.constData(), size_t(bytes.size())));
}

// Decodes bytes in the named character set (an iconv or IANA name, case ignored). Returns false in
// *known when the name is empty or not recognised; the bytes are then read as ISO-8859-1.
QString DecodeCharset(std::string_view bytes, std::string_view charset, bool* known = nullptr);

// UTF-8 with invalid sequences replaced by U+FFFD.
QString FromUtf8Lenient(std::string_view bytes);

}  // namespace corvane::text
