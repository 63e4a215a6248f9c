// The platform's character set conversions behind AnsiCodePage.h (iconv on Linux).
//
// Thread-safe: every thread keeps its own conversion descriptors, opened on first use and closed
// when the thread ends.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace corvane::text::detail {

// charset is an upper-case platform name without any conversion options ("GBK", "ISO-8859-1").

// Encodes text; a character the character set cannot hold (or a lone surrogate) becomes "?".
// Returns false, leaving *out alone, when the character set is not known.
bool Encode(const QString& text, const std::string& charset, QByteArray* out);

// Decodes bytes; an invalid or incomplete sequence becomes U+FFFD and the conversion goes on with
// the next byte. Returns false, leaving *out alone, when the character set is not known.
bool Decode(std::string_view bytes, const std::string& charset, QString* out);

}  // namespace corvane::text::detail
