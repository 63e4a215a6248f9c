#include <QFile>
#include <QStringDecoder>

#include "config/Settings.h"
#include "text/AnsiCodePage.h"
#include "text/TextUtil.h"

namespace corvane::config {
namespace {

// The whole file as text: a UTF-8 or UTF-16 byte-order mark is honoured, else the ANSI code page.
QString DecodeWhole(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF")) {
        auto encoding = QStringConverter::encodingForData(bytes);
        if (encoding) return QStringDecoder(*encoding, QStringDecoder::Flag::Stateless)(bytes);
    }
    return text::FromAnsi(bytes);
}

// Lines joined with line breaks, whatever line ends the file used.
QString JoinLines(const QString& text) {
    QString joined = text;
    joined.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    joined.replace(u'\r', u'\n');
    return joined;
}

// A decimal number (an optional sign, then digits of any length): its value is not zero.
bool ParseDecimal(const QString& s, bool* nonZero) {
    qsizetype i = (s.startsWith(u'-') || s.startsWith(u'+')) ? 1 : 0;
    if (i >= s.size()) return false;
    bool anyNonZero = false;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9') return false;
        anyNonZero = anyNonZero || s[i] != u'0';
    }
    *nonZero = anyNonZero;
    return true;
}

}  // namespace

bool ReadSingleProcessSwitch(const QString& programFolder) {
    try {
        QFile file(programFolder + QStringLiteral("chrome.pz"));
        if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
        const QString value = text::TrimControl(JoinLines(DecodeWhole(file.readAll())));
        bool nonZero = false;
        if (ParseDecimal(value, &nonZero)) return nonZero;
        return value.compare(u"true", Qt::CaseInsensitive) == 0;
    } catch (...) {
        return false;
    }
}

}  // namespace corvane::config
