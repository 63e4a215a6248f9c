// Section "kiosk" of qvpz.pz and the allowed-hosts list: defaults, bad values and their outcome.
#include <gtest/gtest.h>

#include "ProgramFolderFixture.h"
#include "config/AllowedHosts.h"
#include "config/KioskSettings.h"

using namespace corvane;
using namespace corvane::config;
using corvane::testing::ProgramFolderTest;
using corvane::testing::WriteBytes;

namespace {

class KioskSettingsTest : public ProgramFolderTest {
  protected:
    void SetUp() override { StartLog(nullptr); }
    KioskSettings Read(const QByteArray& kioskLines) {
        WriteBytes(Path("qvpz.pz"),
                   "[config]\r\nTaxUrl=https://a.example.cn/\r\n[kiosk]\r\n" + kioskLines);
        return ReadKioskSettings(Path("qvpz.pz"));
    }
};

// Catches: a missing file or section that switches anything on.
TEST_F(KioskSettingsTest, EverythingIsOffWithoutTheSection) {
    for (const char* text : {"", "[config]\r\nTaxUrl=x\r\n"}) {
        if (*text) WriteBytes(Path("qvpz.pz"), text);
        const KioskSettings k = ReadKioskSettings(Path("qvpz.pz"));
        EXPECT_EQ(k.IdleReset, 0);
        EXPECT_EQ(k.IdleNotice, 30);
        EXPECT_TRUE(k.DevTools);
        EXPECT_TRUE(k.Hosts.AllowsAny());
        EXPECT_FALSE(k.FullScreen);
        EXPECT_EQ(k.RetrySeconds, 0);
    }
    EXPECT_EQ(LogText(), QByteArray());
}

struct SecondsCase {
    const char* value;
    int expected;
    bool complaint;
};

class Seconds : public KioskSettingsTest, public ::testing::WithParamInterface<SecondsCase> {};

// Catches: negative idle times that fire at once, huge ones that overflow a timer, text read as 0.
TEST_P(Seconds, AreWholeSecondsHeldToTheirRange) {
    const SecondsCase& c = GetParam();
    const KioskSettings k = Read(QByteArray("IdleReset=") + c.value + "\r\nIdleNotice=" + c.value +
                                 "\r\nRetrySeconds=" + c.value + "\r\n");
    EXPECT_EQ(k.IdleReset,
              c.expected < 0 ? 0 : qMin(c.expected, KioskSettings::kMaxIdleResetSeconds));
    EXPECT_EQ(k.IdleNotice,
              c.expected < 0 ? 30 : qMin(c.expected, KioskSettings::kMaxIdleNoticeSeconds));
    EXPECT_EQ(k.RetrySeconds,
              c.expected < 0 ? 0 : qMin(c.expected, KioskSettings::kMaxRetrySeconds));
    EXPECT_EQ(LogText().contains("kiosk: IdleReset="), c.complaint) << LogText().toStdString();
}

// expected -1: not a number, every key keeps its default.
INSTANTIATE_TEST_SUITE_P(
    Cases, Seconds,
    ::testing::Values(SecondsCase{"120", 120, false}, SecondsCase{" 45 ", 45, false},
                      SecondsCase{"0", 0, false}, SecondsCase{"+7", 7, false},
                      SecondsCase{"-5", 0, true}, SecondsCase{"86401", 86401, true},
                      SecondsCase{"99999999999999999999999", 1 << 30, true},
                      SecondsCase{"-99999999999999999999999", 0, true},
                      SecondsCase{"abc", -1, true}, SecondsCase{"1e3", -1, true},
                      SecondsCase{"0x10", -1, true}, SecondsCase{"", -1, true}));

// Catches: switches that take any text for "on", or a typing error that turns tools on.
TEST_F(KioskSettingsTest, SwitchesTakeNumbersAndTrueFalse) {
    KioskSettings k = Read("DevTools=0\r\nFullScreen=1\r\n");
    EXPECT_FALSE(k.DevTools);
    EXPECT_TRUE(k.FullScreen);
    k = Read("DevTools=FALSE\r\nFullScreen=True\r\n");
    EXPECT_FALSE(k.DevTools);
    EXPECT_TRUE(k.FullScreen);
    EXPECT_EQ(LogText(), QByteArray());
    k = Read("DevTools=off\r\nFullScreen=yes\r\n");
    EXPECT_TRUE(k.DevTools);  // the defaults stay, and the log says why
    EXPECT_FALSE(k.FullScreen);
    EXPECT_TRUE(LogText().contains("kiosk: DevTools=off is neither 0 nor 1"));
    EXPECT_TRUE(LogText().contains("kiosk: FullScreen=yes is neither 0 nor 1"));
}

struct HostCase {
    const char* list;
    const char* url;
    bool allowed;
};

class Hosts : public ::testing::TestWithParam<HostCase> {};

// Catches: case or blanks that defeat the list, a suffix that matches "evil-example.cn", a port
// item that lets other ports through, "*" or empty items that lock everything out.
TEST_P(Hosts, AllowOnlyWhatTheListNames) {
    const HostCase& c = GetParam();
    EXPECT_EQ(AllowedHosts::Parse(QString::fromUtf8(c.list)).AllowsUrl(QUrl(c.url)), c.allowed)
        << c.list << " / " << c.url;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Hosts,
    ::testing::Values(HostCase{"", "https://anything.example/", true},
                      HostCase{" , ,", "https://anything.example/", true},
                      HostCase{"*", "https://anything.example/", true},
                      HostCase{"a.example.cn, *", "https://other.example/", true},
                      HostCase{"etax.example.cn", "https://etax.example.cn/x", true},
                      HostCase{" ETAX.Example.CN ,", "https://etax.example.cn/x", true},
                      HostCase{"etax.example.cn", "https://ETAX.EXAMPLE.CN./x", true},
                      HostCase{"etax.example.cn", "https://www.etax.example.cn/", false},
                      HostCase{"etax.example.cn", "https://evil.example/", false},
                      HostCase{"*.example.cn", "https://a.b.example.cn/", true},
                      HostCase{"*.example.cn", "https://example.cn/", false},
                      HostCase{"*.example.cn", "https://evil-example.cn/", false},
                      HostCase{"etax.example.cn:8443", "https://etax.example.cn:8443/", true},
                      HostCase{"etax.example.cn:8443", "https://etax.example.cn/", false},
                      HostCase{"etax.example.cn:443", "https://etax.example.cn/", true},
                      HostCase{"etax.example.cn", "http://etax.example.cn:8080/", true},
                      HostCase{"127.0.0.1", "http://127.0.0.1:5000/", true},
                      HostCase{"etax.example.cn", "about:blank", true},
                      HostCase{"etax.example.cn", "data:text/html,x", true},
                      HostCase{"etax.example.cn/path, a b", "https://etax.example.cn/", false},
                      HostCase{"etax.example.cn/path, ok.example.cn", "https://ok.example.cn/",
                               true},
                      HostCase{"税务.中国", "https://xn--zfr703g.xn--fiqs8s/", true}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(KioskSettingsTest, UnreadableHostItemsAreNamedAndLeftOut) {
    const KioskSettings k = Read("AllowedHosts=https://etax.example.cn/, ok.example.cn\r\n");
    EXPECT_TRUE(k.Hosts.AllowsUrl(QUrl("https://ok.example.cn/")));
    EXPECT_FALSE(k.Hosts.AllowsUrl(QUrl("https://etax.example.cn/")));
    EXPECT_TRUE(LogText().contains("AllowedHosts item \"https://etax.example.cn/\" is no host"))
        << LogText().toStdString();
}

}  // namespace
