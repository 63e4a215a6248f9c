// Which network interfaces the platform's NetBIOS answers stand for (netbios_linux.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::net::detail {

struct LanaInterface {
    std::string name;
    int index = 0;  // the kernel's interface index
    std::array<uint8_t, 6> address{};
};

// The interfaces described under sysClassNet (normally "/sys/class/net"), one LANA each, LANA
// number = position in the list: every interface backed by a hardware device with a non-zero
// 6-byte address, in interface-index order; when there is none, every non-loopback interface with
// a non-zero 6-byte address. Virtual interfaces that come and go (bridges, veth, ifb) thus do not
// change the answer on a machine with a real adapter. Reads the folder on every call.
std::vector<LanaInterface> ListLanaInterfaces(const std::string& sysClassNet);

}  // namespace corvane::net::detail
