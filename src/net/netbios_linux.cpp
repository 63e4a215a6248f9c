#include <net/if.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "net/AdapterAddress.h"
#include "net/NetbiosInterfaces.h"

namespace corvane::net {
namespace detail {
namespace {

namespace fs = std::filesystem;

std::string ReadFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// "aa:bb:cc:dd:ee:ff" -> six bytes; false for any other form (for example 20-byte addresses).
bool ParseAddress(const std::string& text, std::array<uint8_t, 6>* out) {
    if (text.size() != 17) return false;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && text[size_t(i * 3 - 1)] != ':') return false;
        unsigned value = 0;
        for (int j = 0; j < 2; ++j) {
            const char c = text[size_t(i * 3 + j)];
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = unsigned(c - 'A' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        (*out)[size_t(i)] = uint8_t(value);
    }
    return true;
}

}  // namespace

std::vector<LanaInterface> ListLanaInterfaces(const std::string& sysClassNet) {
    std::vector<LanaInterface> hardware, others;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassNet, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const fs::path dir = it->path();
        LanaInterface lana;
        lana.name = dir.filename().string();
        if (!ParseAddress(ReadFirstLine(dir / "address"), &lana.address)) continue;
        if (std::all_of(lana.address.begin(), lana.address.end(), [](uint8_t b) { return b == 0; }))
            continue;
        try {
            lana.index = std::stoi(ReadFirstLine(dir / "ifindex"));
        } catch (...) {
            continue;
        }
        unsigned long flags = 0;
        try {
            flags = std::stoul(ReadFirstLine(dir / "flags"), nullptr, 16);
        } catch (...) {
        }
        std::error_code deviceError;
        if (fs::exists(dir / "device", deviceError))
            hardware.push_back(lana);
        else if (!(flags & IFF_LOOPBACK))
            others.push_back(lana);
    }
    std::vector<LanaInterface>& chosen = hardware.empty() ? others : hardware;
    std::sort(chosen.begin(), chosen.end(),
              [](const LanaInterface& a, const LanaInterface& b) { return a.index < b.index; });
    return chosen;
}

}  // namespace detail

namespace {

// Result codes of the NetBIOS interface used here.
constexpr uint8_t NRC_BUFLEN = 0x01;  // buffer too small: filled as far as it reaches
constexpr uint8_t NRC_ILLCMD = 0x03;  // command not supported
constexpr uint8_t NRC_NOWILD = 0x15;  // call name other than the local adapter's "*"
constexpr uint8_t NRC_BRIDGE = 0x23;  // no such LANA
constexpr uint8_t kGood = NRC_GOODRET;
constexpr size_t kAdapterStatusSize = 60;

}  // namespace

uint8_t Netbios(Ncb& ncb) {
    const std::vector<detail::LanaInterface> lanas = detail::ListLanaInterfaces("/sys/class/net");
    switch (ncb.ncb_command) {
        case NCBENUM: {
            if (!ncb.ncb_buffer || ncb.ncb_length == 0) return NRC_BUFLEN;
            // LANA_ENUM: a count byte, then the LANA numbers.
            const size_t room = size_t(ncb.ncb_length) - 1;
            const size_t count = std::min({lanas.size(), room, size_t(254)});
            ncb.ncb_buffer[0] = uint8_t(count);
            for (size_t i = 0; i < count; ++i) ncb.ncb_buffer[i + 1] = uint8_t(i);
            return count < lanas.size() ? NRC_BUFLEN : kGood;
        }
        case NCBRESET:
            return ncb.ncb_lana_num < lanas.size() ? kGood : NRC_BRIDGE;
        case NCBASTAT: {
            if (ncb.ncb_lana_num >= lanas.size()) return NRC_BRIDGE;
            if (ncb.ncb_callname[0] != '*') return NRC_NOWILD;
            if (!ncb.ncb_buffer) return NRC_BUFLEN;
            // ADAPTER_STATUS: the adapter address first; the counters that follow are not kept
            // here and read as zero, with no names in the name table.
            uint8_t status[kAdapterStatusSize] = {};
            std::memcpy(status, lanas[ncb.ncb_lana_num].address.data(), 6);
            const size_t n = std::min(size_t(ncb.ncb_length), kAdapterStatusSize);
            std::memcpy(ncb.ncb_buffer, status, n);
            return n < kAdapterStatusSize ? NRC_BUFLEN : kGood;
        }
        default:
            return NRC_ILLCMD;
    }
}

}  // namespace corvane::net
