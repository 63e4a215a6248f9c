#include "browser/UrlDecode.h"

#include "text/AnsiCodePage.h"

namespace corvane::browser {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

UrlDecodeError::UrlDecodeError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

QByteArray PercentDecode(const QByteArray& bytes) {
    // A zero byte ends the input, as it ends the text the page's address was copied from.
    const qsizetype end = [&] {
        const qsizetype nul = bytes.indexOf('\0');
        return nul < 0 ? bytes.size() : nul;
    }();
    // Written through a pointer: the output is never longer than the input, and a page may send
    // megabytes.
    QByteArray out(end, Qt::Uninitialized);
    char* o = out.data();
    const char* in = bytes.constData();
    for (qsizetype i = 0; i < end; ++i) {
        const char c = in[i];
        if (c == '+') {
            *o++ = ' ';
        } else if (c != '%') {
            *o++ = c;
        } else if (i + 1 < end && in[i + 1] == '%') {
            *o++ = '%';
            ++i;
        } else {
            const qsizetype pos = i + 1;  // the character after the "%"
            if (pos + 1 >= end) {
                throw EWebBrokerException(
                    QStringLiteral("Error decoding URL style (%XX) encoded string at position %1")
                        .arg(pos));
            }
            const int hi = HexValue(in[pos]);
            const int lo = HexValue(in[pos + 1]);
            if (hi < 0 || lo < 0) {
                const QString seq = text::FromAnsi(bytes.mid(i, 3));
                // Both filled in one pass: the sequence itself may read "%1".
                throw EConvertError(
                    QStringLiteral("Invalid URL encoded character (%1) at position %2")
                        .arg(seq, QString::number(pos)));
            }
            *o++ = char(hi * 16 + lo);
            i += 2;
        }
    }
    out.truncate(o - out.constData());
    return out;
}

QString UrlDecodeAnsi(const QString& text) {
    return text::FromAnsi(PercentDecode(text::ToAnsi(text)));
}

QString UrlDecodeUtf8(const QString& text) {
    const QByteArray bytes = PercentDecode(text::ToAnsi(text));
    return text::FromUtf8Lenient(std::string_view(bytes.constData(), size_t(bytes.size())));
}

}  // namespace corvane::browser
