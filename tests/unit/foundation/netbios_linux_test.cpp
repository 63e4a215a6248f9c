// The platform's NetBIOS answers: which interfaces stand for LANAs, and the answers on this
// machine (whatever its adapters are).
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ProgramFolderFixture.h"
#include "net/AdapterAddress.h"
#include "net/NetbiosInterfaces.h"

using namespace corvane::net;
using corvane::testing::WriteBytes;

namespace {

class FakeSysClassNet {
  public:
    void Add(const char* name, int index, const char* address, bool device,
             const char* flags = "0x1003") {
        const QString dir = dir_.path() + u'/' + QString::fromLatin1(name);
        ASSERT_TRUE(QDir().mkpath(dir));
        WriteBytes(dir + QStringLiteral("/ifindex"), QByteArray::number(index) + "\n");
        WriteBytes(dir + QStringLiteral("/address"), QByteArray(address) + "\n");
        WriteBytes(dir + QStringLiteral("/flags"), QByteArray(flags) + "\n");
        if (device) {
            ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/device")));
        }
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& lana : detail::ListLanaInterfaces(dir_.path().toStdString()))
            names.push_back(lana.name);
        return names;
    }

  private:
    QTemporaryDir dir_;
};

// Catches: virtual interfaces (which come and go) changing the identity of a machine with a real
// adapter, index order not kept, loopback, zero or non-Ethernet addresses taken.
TEST(NetbiosInterfaces, HardwareAdaptersInIndexOrder) {
    FakeSysClassNet net;
    net.Add("eth1", 3, "00:1a:2b:3c:4d:5f", true);
    net.Add("eth0", 2, "00:1a:2b:3c:4d:5e", true);
    net.Add("veth9", 5, "aa:bb:cc:dd:ee:ff", false);
    net.Add("lo", 1, "00:00:00:00:00:00", false, "0x9");
    net.Add("ib0", 6, "80:00:02:08:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0a:1b:2c", true);
    net.Add("zero0", 7, "00:00:00:00:00:00", true);
    EXPECT_EQ(net.Names(), (std::vector<std::string>{"eth0", "eth1"}));
}

TEST(NetbiosInterfaces, WithoutHardwareEveryNonLoopbackInterface) {
    FakeSysClassNet net;
    net.Add("veth1", 7, "aa:bb:cc:dd:ee:01", false);
    net.Add("br0", 4, "aa:bb:cc:dd:ee:02", false);
    net.Add("lo", 1, "01:00:00:00:00:00", false, "0x9");
    EXPECT_EQ(net.Names(), (std::vector<std::string>{"br0", "veth1"}));
}

// Catches: malformed answers from the machine's own interfaces: counts that do not match, a
// status query failing for a listed LANA, zero addresses, an unstable result.
TEST(NetbiosLinux, AnswersOnThisMachineAreWellFormed) {
    uint8_t lanaEnum[256] = {};
    Ncb ncb;
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = lanaEnum;
    ncb.ncb_length = sizeof lanaEnum;
    ASSERT_EQ(Netbios(ncb), NRC_GOODRET);
    const int count = lanaEnum[0];
    EXPECT_EQ(size_t(count), detail::ListLanaInterfaces("/sys/class/net").size());
    for (int i = 1; i <= count; ++i) {
        ncb = Ncb{};
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lanaEnum[i];
        EXPECT_EQ(Netbios(ncb), NRC_GOODRET);
        uint8_t status[78];
        std::memset(status, 0xEE, sizeof status);
        ncb = Ncb{};
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lanaEnum[i];
        std::memcpy(ncb.ncb_callname, "*               ", 16);
        ncb.ncb_buffer = status;
        ncb.ncb_length = sizeof status;
        EXPECT_EQ(Netbios(ncb), NRC_GOODRET);
        EXPECT_FALSE(std::all_of(status, status + 6, [](uint8_t b) { return b == 0; }));
    }
    const QString text = GetAdapterAddress();
    // Every query answers complete success, so the last LANA's address alone remains.
    const QString expected =
        count == 0 ? QStringLiteral("^$") : QStringLiteral("^([0-9A-F]{2}-){5}[0-9A-F]{2}$");
    EXPECT_TRUE(QRegularExpression(expected).match(text).hasMatch()) << text.toStdString();
    EXPECT_EQ(GetAdapterAddress(), text);
}

// Catches: writing past a short buffer, or answering success for a LANA that does not exist.
TEST(NetbiosLinux, ShortBuffersAndUnknownLanas) {
    uint8_t guard[16];
    std::memset(guard, 0xEE, sizeof guard);
    Ncb ncb;
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = 200;
    std::memcpy(ncb.ncb_callname, "*               ", 16);
    ncb.ncb_buffer = guard;
    ncb.ncb_length = 8;
    EXPECT_NE(Netbios(ncb), NRC_GOODRET);
    ncb.ncb_lana_num = 0;
    const bool haveLana = !detail::ListLanaInterfaces("/sys/class/net").empty();
    EXPECT_NE(Netbios(ncb), NRC_GOODRET);  // 8 bytes cannot hold the adapter status
    if (haveLana) {
        EXPECT_NE(guard[5], 0xEE);
    }
    for (int i = 8; i < 16; ++i) EXPECT_EQ(guard[i], 0xEE);
    uint8_t one[1];
    ncb = Ncb{};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = one;
    ncb.ncb_length = 1;
    EXPECT_EQ(Netbios(ncb), haveLana ? 0x01 : NRC_GOODRET);
    EXPECT_EQ(one[0], 0);
}

}  // namespace
