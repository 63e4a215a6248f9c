// PercentDecode and the two text decodings built on it. Catches reads past the input, output
// longer than the input, and failures other than the two decoding errors.
#include <QByteArray>
#include <QString>

#include "FuzzSupport.h"
#include "browser/UrlDecode.h"

using corvane::browser::EConvertError;
using corvane::browser::EWebBrokerException;
using corvane::browser::PercentDecode;

namespace {

// The decoded bytes, or an error message that names a position inside the input.
void CheckPercentDecode(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    const qsizetype end = nul < 0 ? bytes.size() : nul;
    try {
        const QByteArray out = PercentDecode(bytes);
        FUZZ_CHECK(out.size() <= end);
        // No "%" escape left undecoded means no "%" was followed by something else than "%".
        FUZZ_CHECK(out.count('%') <= bytes.left(end).count('%'));
    } catch (const EWebBrokerException& e) {
        FUZZ_CHECK(e.message().startsWith(
            QLatin1String("Error decoding URL style (%XX) encoded string at position ")));
    } catch (const EConvertError& e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("Invalid URL encoded character (%")));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckPercentDecode(bytes);

    const QString text = corvane::fuzz::TextFrom(bytes);
    for (auto* decode : {&corvane::browser::UrlDecodeAnsi, &corvane::browser::UrlDecodeUtf8}) {
        try {
            decode(text);
        } catch (const corvane::browser::UrlDecodeError&) {
        }
    }
    return 0;
}
