// The conversions between wide text and the ANSI code page, and the decoding of bytes in a
// charset a server names. Catches crashes, lost or invented text, and a conversion whose result
// changes when it is repeated.
//
// Input: one byte choosing the conversion, then its text or bytes.
#include <QByteArray>
#include <QString>

#include "FuzzSupport.h"
#include "text/AnsiCodePage.h"

namespace text = corvane::text;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::fuzz::InputReader input(data, size);
    switch (input.Byte() % 3) {
        case 0: {
            // Wide text to ANSI: every character becomes one or two bytes, "?" where it has no
            // place; read back and written again it gives the same bytes.
            const QString wide = corvane::fuzz::TextFrom('\xFF' + input.Rest());
            const QByteArray ansi = text::ToAnsi(wide);
            FUZZ_CHECK(ansi.size() <= 2 * wide.size());
            FUZZ_CHECK(ansi.isEmpty() == wide.isEmpty());
            FUZZ_CHECK(text::ToAnsi(text::FromAnsi(ansi)) == ansi);
            break;
        }
        case 1: {
            // ANSI bytes to wide text: no byte is lost without a trace, nothing grows.
            const QByteArray bytes = input.Rest();
            const QString wide = text::FromAnsi(bytes);
            FUZZ_CHECK(wide.size() <= bytes.size());
            FUZZ_CHECK(wide.isEmpty() == bytes.isEmpty());
            const QByteArray again = text::ToAnsi(wide);
            FUZZ_CHECK(text::FromAnsi(again) ==
                       text::FromAnsi(text::ToAnsi(text::FromAnsi(again))));
            break;
        }
        default: {
            // A body in the charset a response names, any name.
            const QByteArray label = input.Until('\n');
            const QByteArray body = input.Rest();
            bool known = false;
            const QString wide =
                text::DecodeCharset({body.constData(), size_t(body.size())},
                                    {label.constData(), size_t(label.size())}, &known);
            // An unknown name reads one character per byte; a known one may drop a byte-order
            // mark, so only "nothing from nothing" holds for it.
            if (!known) FUZZ_CHECK(wide == QString::fromLatin1(body));
            if (body.isEmpty()) FUZZ_CHECK(wide.isEmpty());
            text::FromUtf8Lenient({body.constData(), size_t(body.size())});
            break;
        }
    }
    return 0;
}
