// The adapter address text, against scripted NetBIOS answers.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "net/AdapterAddress.h"
#include "net/MachineIdentity.h"

using namespace corvane::net;

namespace {

using Address = std::array<uint8_t, 6>;

// One LANA's answer to the status query: its result code and the address it writes (none: the
// query writes nothing into the buffer).
struct Answer {
    uint8_t code;
    std::optional<Address> address;
};

struct Script {
    uint8_t enumCode = NRC_GOODRET;
    std::vector<Answer> lanas;
};

// Answers as the platform would, and checks every control block the operation sends.
class ScriptedNetbios {
  public:
    explicit ScriptedNetbios(Script script) : script_(std::move(script)) {}

    uint8_t operator()(Ncb& ncb) {
        switch (ncb.ncb_command) {
            case NCBENUM:
                EXPECT_EQ(ncb.ncb_length, 256);
                if (script_.enumCode == NRC_GOODRET) {
                    ncb.ncb_buffer[0] = uint8_t(script_.lanas.size());
                    for (size_t i = 0; i < script_.lanas.size(); ++i)
                        ncb.ncb_buffer[1 + i] = uint8_t(10 + i);  // LANA numbers need not be 0..n
                } else {
                    ncb.ncb_buffer[0] = 7;  // garbage: a failed enumeration holds no valid count
                }
                return script_.enumCode;
            case NCBRESET:
                EXPECT_EQ(ncb.ncb_buffer, nullptr);
                resets_.push_back(ncb.ncb_lana_num);
                return 0x22;  // not examined
            case NCBASTAT: {
                EXPECT_EQ(ncb.ncb_length, 78);
                EXPECT_EQ(std::memcmp(ncb.ncb_callname, "*               ", 16), 0);
                EXPECT_EQ(resets_.back(), ncb.ncb_lana_num) << "reset before the status query";
                const Answer& a = script_.lanas.at(size_t(ncb.ncb_lana_num - 10));
                if (a.address) std::memcpy(ncb.ncb_buffer, a.address->data(), 6);
                return a.code;
            }
        }
        ADD_FAILURE() << "unexpected command " << int(ncb.ncb_command);
        return 0xFF;
    }

  private:
    Script script_;
    std::vector<uint8_t> resets_;
};

constexpr Address kA{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
constexpr Address kB{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F};

struct AddressCase {
    const char* name;
    Script script;
    const char* expected;
};

void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }

class AdapterAddressTest : public ::testing::TestWithParam<AddressCase> {};

// Catches: a separator between addresses after a non-zero code, zero not resetting the text,
// lower-case or unpadded digits, a stale buffer not reused, a failed enumeration read as a count.
TEST_P(AdapterAddressTest, BuildsTheText) {
    ScriptedNetbios netbios(GetParam().script);
    EXPECT_EQ(GetAdapterAddress(std::ref(netbios)), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdapterAddressTest,
    ::testing::Values(
        AddressCase{"noLana", Script{0, {}}, ""},
        AddressCase{"enumFails", Script{0x01, {{0, kA}}}, ""},
        AddressCase{"oneComplete", Script{0, {{0, kA}}}, "00-1A-2B-3C-4D-5E"},
        AddressCase{"oneIncompleteButFilled", Script{0, {{0x06, kA}}}, "00-1A-2B-3C-4D-5E"},
        AddressCase{"leadingZerosUpperCase",
                    Script{0, {{0, Address{0x0A, 0xFF, 0x01, 0xab, 0x00, 0xC0}}}},
                    "0A-FF-01-AB-00-C0"},
        AddressCase{"nonZeroThenZero", Script{0, {{0x06, kA}, {0, kB}}}, "00-1A-2B-3C-4D-5F"},
        AddressCase{"zeroThenNonZero", Script{0, {{0, kA}, {0x06, kB}}},
                    "00-1A-2B-3C-4D-5E00-1A-2B-3C-4D-5F"},
        AddressCase{"bothNonZero", Script{0, {{0x06, kA}, {0x06, kB}}},
                    "00-1A-2B-3C-4D-5E00-1A-2B-3C-4D-5F"},
        AddressCase{"queryWritingNothingRepeatsTheBuffer",
                    Script{0, {{0, kA}, {0x06, std::nullopt}}},
                    "00-1A-2B-3C-4D-5E00-1A-2B-3C-4D-5E"},
        AddressCase{"firstQueryWritingNothingReadsZeros", Script{0, {{0x34, std::nullopt}}},
                    "00-00-00-00-00-00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MachineIdentity, IsTheAddressTextWithoutDashes) {
    ScriptedNetbios netbios(Script{0, {{0, kA}, {0x06, kB}}});
    SetMachineIdentity(GetAdapterAddress(std::ref(netbios)).remove(u'-'));
    EXPECT_EQ(MachineIdentity(), QStringLiteral("001A2B3C4D5E001A2B3C4D5F"));
}

}  // namespace
