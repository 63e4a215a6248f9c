#include "text/AnsiCodePage.h"

#include <string>

#include "corvane_build_config.h"
#include "text/CharsetConverter.h"

namespace corvane::text {
namespace {

const std::string& AnsiName() {
    static const std::string name = QByteArray(CORVANE_ANSI_CODEPAGE).toUpper().toStdString();
    return name;
}

// A charset label as pages and servers write it, reduced to a plain platform name: blanks and
// quotes around it dropped, upper case. Labels holding anything but the characters of charset
// names give "" (this also keeps conversion options such as "//IGNORE" out of the converter).
std::string NormaliseLabel(std::string_view label) {
    auto isTrim = [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; };
    while (!label.empty() && isTrim(label.front())) label.remove_prefix(1);
    while (!label.empty() && isTrim(label.back())) label.remove_suffix(1);
    std::string name;
    for (char c : label) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':' ||
                        c == '+' || c == '(' || c == ')';
        if (!ok) return {};
        name.push_back((c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c);
    }
    return name;
}

bool IsUtf8Label(const std::string& name) { return name == "UTF-8" || name == "UTF8"; }

bool IsLatin1Label(const std::string& name) {
    return name == "ISO-8859-1" || name == "ISO8859-1" || name == "ISO_8859-1" ||
           name == "LATIN1" || name == "L1" || name == "US-ASCII" || name == "ASCII";
}

// Pages labelled with the older GB 2312 names routinely contain GBK characters; browsers decode
// them as GBK, which is a superset, and so do we.
bool IsGbkLabel(const std::string& name) {
    return name == "GB2312" || name == "CSGB2312" || name == "X-GBK" || name == "GBK" ||
           name == "CHINESE" || name == "ISO-IR-58" || name == "CP936" || name == "MS936" ||
           name == "WINDOWS-936";
}

}  // namespace

const char* AnsiCodePageName() { return CORVANE_ANSI_CODEPAGE; }

QByteArray ToAnsi(const QString& text) {
    QByteArray out;
    if (!detail::Encode(text, AnsiName(), &out)) {
        // A build with a code page the platform does not know still writes readable ASCII.
        out = text.toLatin1();
        for (char& c : out)
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return out;
}

QString FromAnsi(std::string_view bytes) {
    QString out;
    if (!detail::Decode(bytes, AnsiName(), &out))
        out = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return out;
}

QString DecodeCharset(std::string_view bytes, std::string_view charset, bool* known) {
    const std::string name = NormaliseLabel(charset);
    bool ok = !name.empty();
    QString out;
    if (ok && IsUtf8Label(name)) {
        out = FromUtf8Lenient(bytes);
    } else if (ok && IsLatin1Label(name)) {
        out = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    } else if (ok) {
        ok = detail::Decode(bytes, IsGbkLabel(name) ? std::string("GBK") : name, &out);
    }
    if (!ok) out = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    if (known) *known = ok;
    return out;
}

QString FromUtf8Lenient(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

}  // namespace corvane::text
