#include "text/TextUtil.h"

namespace corvane::text {

QString TrimControl(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 32) ++begin;
    while (end > begin && s[end - 1].unicode() <= 32) --end;
    return (begin == 0 && end == s.size()) ? s : s.mid(begin, end - begin);
}

QString LowerAsciiLetters(const QString& s) {
    QString out = s;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z') c = QChar(char16_t(u + (u'a' - u'A')));
    }
    return out;
}

}  // namespace corvane::text
