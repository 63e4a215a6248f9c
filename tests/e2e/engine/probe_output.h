// Every line the probe prints: one event or answer per line on stdout, flushed at once.
#pragma once

#include <QString>

void Emit(const QString& line);
// Newlines and tabs shown as \n and \t, so that every event stays on one line.
QString OneLine(const QString& text);
