// The report's JSON: member order by the name hash whatever the set order, the three escapes and
// no others, empty values, and the NUL cut.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "net/JsonObjectWriter.h"
#include "net/VersionReport.h"

namespace corvane::net {
namespace {

TEST(MemberNameHashTest, FollowsTheRule) {
    // Worked by hand: "a" = 97 + 0x9E370001; "ab" = that * 129 + 98 + 0x9E370001, mod 2^32.
    const uint32_t a = 97u + 0x9E370001u;
    EXPECT_EQ(MemberNameHash(QStringLiteral("a")), a);
    EXPECT_EQ(MemberNameHash(QStringLiteral("ab")), a * 129u + 98u + 0x9E370001u);
    EXPECT_EQ(MemberNameHash(QString()), 0u);
    // Code units, not bytes: U+7A0E is one unit.
    EXPECT_EQ(MemberNameHash(QStringLiteral("\u7A0E")), 0x7A0Eu + 0x9E370001u);
}

TEST(JsonObjectWriterTest, OrdersByDescendingHashWhateverTheSetOrder) {
    const QStringList names = {QStringLiteral("app_type"), QStringLiteral("version"),
                               QStringLiteral("djxh"),     QStringLiteral("nsrsbh"),
                               QStringLiteral("mac"),      QStringLiteral("zz"),
                               QStringLiteral("a"),        QStringLiteral("\u7A0E")};
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& x, const QString& y) {
        return MemberNameHash(x) > MemberNameHash(y);
    });
    QString expected = QStringLiteral("{");
    for (const QString& n : sorted) {
        if (expected.size() > 1) expected += u',';
        expected += u'"' + n + QStringLiteral("\":\"v\"");
    }
    expected += u'}';

    QStringList order = names;
    for (int round = 0; round < 3; ++round) {
        JsonObjectWriter json;
        for (const QString& n : order) json.Set(n, QStringLiteral("v"));
        EXPECT_EQ(json.ToString(), expected);
        std::rotate(order.begin(), order.begin() + 3, order.end());
    }
}

TEST(JsonObjectWriterTest, EqualHashesGoInOrdinalOrder) {
    // 'a'*129 + 0xC2 == 'b'*129 + 'A': the two names share one hash.
    const QString small = QStringLiteral("a\u00C2"), large = QStringLiteral("bA");
    ASSERT_EQ(MemberNameHash(small), MemberNameHash(large));
    JsonObjectWriter json;
    json.Set(large, QStringLiteral("2"));
    json.Set(small, QStringLiteral("1"));
    EXPECT_EQ(json.ToString(), u"{\"a\u00C2\":\"1\",\"bA\":\"2\"}");
}

TEST(JsonObjectWriterTest, SettingAgainReplaces) {
    JsonObjectWriter json;
    json.Set(QStringLiteral("k"), QStringLiteral("old"));
    json.Set(QStringLiteral("k"), QStringLiteral("new"));
    EXPECT_EQ(json.ToString(), u"{\"k\":\"new\"}");
    EXPECT_EQ(JsonObjectWriter().ToString(), u"{}");
}

TEST(EscapeJsonTextTest, EscapesOnlyQuoteBackslashAndSlash) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("12/34"), QStringLiteral("12\\/34")},
        {QStringLiteral("a\"b"), QStringLiteral("a\\\"b")},
        {QStringLiteral("c:\\d"), QStringLiteral("c:\\\\d")},
        {QStringLiteral("tab\there\r\n\u0001\u7A0E"), QStringLiteral("tab\there\r\n\u0001\u7A0E")},
        {QString(), QString()},
        {QString::fromUtf16(u"ab\0cd", 5), QStringLiteral("ab")},
        {QString::fromUtf16(u"\0cd", 3), QString()},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(EscapeJsonText(in), out) << in.toStdString();
}

TEST(VersionReportJsonTest, FiveMembersInOrder) {
    EXPECT_EQ(VersionReportJson(QStringLiteral("330100123456789"), QStringLiteral("001A2B3C4D5E"),
                                QStringLiteral("1"), QStringLiteral("1.0.5")),
              u"{\"mac\":\"001A2B3C4D5E\",\"version\":\"1.0.5\",\"app_type\":\"1\",\"djxh\":\"\","
              u"\"nsrsbh\":\"330100123456789\"}");
    EXPECT_EQ(VersionReportJson(QString::fromUtf16(u"12/34\"\0tail", 11),
                                QStringLiteral("001A2B3C4D5E001A2B3C4D5F"), QString(), QString()),
              u"{\"mac\":\"001A2B3C4D5E001A2B3C4D5F\",\"version\":\"\",\"app_type\":\"\","
              u"\"djxh\":\"\",\"nsrsbh\":\"12\\/34\\\"\"}");
}

}  // namespace
}  // namespace corvane::net
