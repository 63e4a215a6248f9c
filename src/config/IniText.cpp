#include "config/IniText.h"

#include <QStringDecoder>
#include <cstring>

#include "text/AnsiCodePage.h"

namespace corvane::config::ini {
namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView TrimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

QString Utf16LeToString(const char* data, qsizetype bytes) {
    QString out(bytes / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const auto lo = static_cast<unsigned char>(data[2 * i]);
        const auto hi = static_cast<unsigned char>(data[2 * i + 1]);
        out[i] = QChar(char16_t(lo | (hi << 8)));
    }
    return out;
}

}  // namespace

Detected DetectEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) return {Encoding::Utf16LeWithBom, 2};
    if (bytes.startsWith("\xEF\xBB\xBF")) return {Encoding::Utf8WithBom, 3};
    return {Encoding::Ansi, 0};
}

QString DecodeLine(const QByteArray& content, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16LeWithBom:
            return Utf16LeToString(content.constData(), content.size());
        case Encoding::Utf8WithBom: {
            // The file's own mark is gone by now; another one at the start of a line is a
            // character of that line, as it is when the whole text is decoded at once, so the
            // reader and the writer see the same lines.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                             QStringDecoder::Flag::Stateless);
            return decoder.decode(content);
        }
        case Encoding::Ansi:
            break;
    }
    return text::FromAnsi(content);
}

QString DecodeText(const QByteArray& bytes) {
    const Detected d = DetectEncoding(bytes);
    return DecodeLine(bytes.mid(d.bomLength), d.encoding);
}

QByteArray EncodeText(const QString& text, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16LeWithBom: {
            QByteArray out(text.size() * 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char16_t u = text[i].unicode();
                out[2 * i] = char(u & 0xFF);
                out[2 * i + 1] = char(u >> 8);
            }
            return out;
        }
        case Encoding::Utf8WithBom:
            return text.toUtf8();
        case Encoding::Ansi:
            break;
    }
    return text::ToAnsi(text);
}

std::vector<RawLine> SplitRawLines(const QByteArray& bytes, const Detected& detected) {
    // Line ends are found in code units: bytes, or 16-bit units of UTF-16 (whose CR and LF are
    // "\r\0" and "\n\0"). ANSI code pages never use CR or LF inside a multi-byte character.
    const qsizetype unit = detected.encoding == Encoding::Utf16LeWithBom ? 2 : 1;
    auto unitAt = [&](qsizetype i) -> char16_t {
        if (unit == 1) return static_cast<unsigned char>(bytes[i]);
        return char16_t(static_cast<unsigned char>(bytes[i]) |
                        (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    std::vector<RawLine> lines;
    qsizetype start = detected.bomLength;
    qsizetype i = start;
    const qsizetype n = bytes.size();
    while (i + unit <= n) {
        const char16_t u = unitAt(i);
        if (u != u'\r' && u != u'\n') {
            i += unit;
            continue;
        }
        qsizetype endLen = unit;
        if (u == u'\r' && i + 2 * unit <= n && unitAt(i + unit) == u'\n') endLen = 2 * unit;
        lines.push_back({bytes.mid(start, i - start), bytes.mid(i, endLen)});
        i += endLen;
        start = i;
    }
    if (start < n) lines.push_back({bytes.mid(start), {}});
    return lines;
}

ParsedLine ParseLine(QStringView line) {
    ParsedLine p;
    const QStringView t = TrimBlanks(line);
    if (t.startsWith(u'[')) {
        qsizetype close = t.indexOf(u']');
        if (close < 0) close = t.size();
        p.kind = ParsedLine::Section;
        p.name = TrimBlanks(t.mid(1, close - 1)).toString();
        return p;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0) return p;
    p.name = TrimBlanks(t.left(eq)).toString();
    if (p.name.isEmpty()) return p;
    p.kind = ParsedLine::Key;
    QStringView v = TrimBlanks(t.mid(eq + 1));
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    p.value = v.left(kMaxValueLength).toString();
    return p;
}

bool SameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace corvane::config::ini
