// The adapter address text from the NetBIOS interface ("00-1A-2B-3C-4D-5E", possibly several
// addresses one after another, or empty).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace corvane::net {

enum : uint8_t { NCBENUM = 0x37, NCBRESET = 0x32, NCBASTAT = 0x33, NRC_GOODRET = 0 };

// The parts of the NetBIOS control block this program fills.
struct Ncb {
    uint8_t ncb_command = 0;
    uint8_t ncb_lana_num = 0;
    uint8_t* ncb_buffer = nullptr;
    uint16_t ncb_length = 0;
    char ncb_callname[16] = {};
};

// Netbios(control block) -> result code; the platform's answers, replaceable for tests.
using NetbiosFunction = std::function<uint8_t(Ncb&)>;

// The machine's own NetBIOS answers (netbios_linux.cpp on Linux).
uint8_t Netbios(Ncb& ncb);

QString GetAdapterAddress(const NetbiosFunction& netbios = Netbios);

}  // namespace corvane::net
