#include "probe_output.h"

#include <cstdio>

void Emit(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString OneLine(const QString& text) {
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'\n', QStringLiteral("\\n"));
    out.replace(u'\t', QStringLiteral("\\t"));
    return out;
}
