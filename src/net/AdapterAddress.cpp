#include "net/AdapterAddress.h"

#include <cstring>

namespace corvane::net {
namespace {

constexpr uint16_t kEnumLength = 256;
// ADAPTER_STATUS (60 bytes) and room for exactly one NAME_BUFFER (18 bytes).
constexpr uint16_t kStatusLength = 60 + 18;

void AppendHexByte(QString& text, uint8_t b) {
    static const char digits[] = "0123456789ABCDEF";
    text += QChar(digits[b >> 4]);
    text += QChar(digits[b & 0x0F]);
}

}  // namespace

QString GetAdapterAddress(const NetbiosFunction& netbios) {
    QString text;
    uint8_t lanaEnum[kEnumLength] = {};
    // One status buffer for every LANA; it starts zeroed and is never cleared between queries.
    uint8_t status[kStatusLength] = {};

    Ncb ncb;
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = lanaEnum;
    ncb.ncb_length = kEnumLength;
    // A failed enumeration holds no valid count: it lists no LANA.
    if (netbios(ncb) != NRC_GOODRET) return text;

    const int count = lanaEnum[0];
    for (int i = 1; i <= count && i < kEnumLength; ++i) {
        const uint8_t lana = lanaEnum[i];

        ncb = Ncb{};
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lana;
        netbios(ncb);  // its result is not examined

        ncb = Ncb{};
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lana;
        std::memcpy(ncb.ncb_callname, "*               ", 16);
        ncb.ncb_buffer = status;
        ncb.ncb_length = kStatusLength;
        // Complete success replaces what earlier LANAs gave; any other answer keeps it and the
        // new address follows right after it.
        if (netbios(ncb) == NRC_GOODRET) text.clear();
        for (int b = 0; b < 6; ++b) {
            AppendHexByte(text, status[b]);
            text += u'-';
        }
        text.chop(1);
    }
    return text;
}

}  // namespace corvane::net
