// A page that navigates to a 10 MB command address: the window handles it and stays usable. How
// long it takes is measured by bench/reliability, not here.
#include <QUrl>

#include "WindowFixture.h"

namespace corvane::browser {
namespace {

constexpr qsizetype kTenMegabytes = 10 * 1024 * 1024;

QString CommandAddress(const QByteArray& json, const QString& tail) {
    return QStringLiteral("http://portal.example/interact_") +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(json))) + tail;
}

// The argument of a "zmxy" command: 10 MB of escapes and plain characters.
QString HugeArgument() {
    QString argument;
    argument.reserve(kTenMegabytes);
    while (argument.size() < kTenMegabytes) argument += QStringLiteral("%E7%A8%8Ea");
    return argument;
}

struct HugeCase {
    const char* name;
    QString tail;          // after the JSON text
    QString resultPrefix;  // of the navigation log's last line
};

void PrintTo(const HugeCase& c, std::ostream* os) { *os << c.name; }

class HugeAddressTest : public WindowFixture, public ::testing::WithParamInterface<HugeCase> {};

// Catches a crash, a freeze or an unbounded navigation log line on an enormous address.
TEST_P(HugeAddressTest, IsHandledAndTheWindowStaysUsable) {
    Open();
    const QString address = CommandAddress(R"({"type":"zmxy"})", GetParam().tail);
    ASSERT_GT(address.size(), kTenMegabytes);

    EXPECT_FALSE(Engine().Navigate(OwnId(), address)) << "never cancelled";
    Settle();

    ASSERT_FALSE(window.isNull());
    const QStringList log = NavigationLog();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith(GetParam().resultPrefix))
        << log.last().left(80).toStdString();
    for (const QString& line : log) EXPECT_LE(line.size(), TFrmChrome::kMaxLoggedChars + 1);

    // Still answering: an ordinary command right after it runs as usual.
    Engine().Navigate(OwnId(), CommandAddress(R"({"type":"printjhd"})", {}));
    Settle();
    EXPECT_EQ(NavigationLog().last(), QStringLiteral("打印叫号单"));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, HugeAddressTest,
    ::testing::Values(
        HugeCase{"ArgumentOfTenMegabytes", QStringLiteral("%3F") + HugeArgument(),
                 QStringLiteral("实名认证信息：")},
        // The bad escape at the very end is found after decoding everything before it.
        HugeCase{"BadEscapeAfterTenMegabytes", QStringLiteral("%3F") + HugeArgument() + u'%',
                 QStringLiteral("http://portal.example/interact_")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::browser
