// Conversions between wide text and the ANSI code page (GBK in this build), character set
// labels, and the small trimming helpers.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "text/AnsiCodePage.h"
#include "text/TextUtil.h"

using namespace corvane::text;

namespace {

QString U(const char16_t* s) { return QString::fromUtf16(s); }

struct ToAnsiCase {
    const char* name;
    QString wide;
    QByteArray ansi;
};

void PrintTo(const ToAnsiCase& c, std::ostream* os) { *os << c.name; }

class ToAnsiTest : public ::testing::TestWithParam<ToAnsiCase> {};

// Catches: characters outside the code page dropped, turned into several "?", or stopping the
// conversion; a surrogate pair counted as two characters.
TEST_P(ToAnsiTest, ConvertsAndReplacesWhatTheCodePageCannotHold) {
    EXPECT_EQ(ToAnsi(GetParam().wide).toHex(' '), GetParam().ansi.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToAnsiTest,
    ::testing::Values(
        ToAnsiCase{"ascii", QStringLiteral("TaxUrl=https://a/b?c"), "TaxUrl=https://a/b?c"},
        ToAnsiCase{"empty", QString(), ""},
        ToAnsiCase{"chinese", U(u"税务中文"), "\xCB\xB0\xCE\xF1\xD6\xD0\xCE\xC4"},
        ToAnsiCase{"gbkOnly", U(u"丂"), "\x81\x40"},
        ToAnsiCase{"thaiBecomesQuestionMark", U(u"aกb"), "a?b"},
        ToAnsiCase{"emojiIsOneQuestionMark", U(u"x\U0001F600y"), "x?y"},
        ToAnsiCase{"loneHighSurrogate", QString(QChar(0xD800)) + u'z', "?z"},
        ToAnsiCase{"loneLowSurrogate", u'z' + QString(QChar(0xDC00)), "z?"},
        ToAnsiCase{"loneHighSurrogateAtEnd", u'z' + QString(QChar(0xD800)), "z?"},
        ToAnsiCase{"embeddedNul", QString::fromLatin1("a\0b", 3), QByteArray("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

struct FromAnsiCase {
    const char* name;
    QByteArray ansi;
    QString wide;
};

void PrintTo(const FromAnsiCase& c, std::ostream* os) { *os << c.name; }

class FromAnsiTest : public ::testing::TestWithParam<FromAnsiCase> {};

// Catches: invalid bytes that stop the conversion, vanish, or swallow the valid text after them.
TEST_P(FromAnsiTest, DecodesAndReplacesInvalidBytes) {
    EXPECT_EQ(FromAnsi(GetParam().ansi), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromAnsiTest,
    ::testing::Values(FromAnsiCase{"ascii", "clientlx=1", QStringLiteral("clientlx=1")},
                      FromAnsiCase{"chinese", "\xD6\xD0\xCE\xC4", U(u"中文")},
                      FromAnsiCase{"invalidByteInMiddle",
                                   "a\xFF"
                                   "b",
                                   U(u"a\uFFFDb")},
                      FromAnsiCase{"truncatedLeadByteAtEnd", "ab\xD6", U(u"ab\uFFFD")},
                      FromAnsiCase{"badTrailByte",
                                   "\xD6\x0A"
                                   "c",
                                   U(u"\uFFFD\nc")},
                      FromAnsiCase{"onlyInvalid", "\xFF\xFF", U(u"\uFFFD\uFFFD")}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: quadratic growth or a fixed-size buffer on long lines; the last characters lost.
TEST(AnsiCodePage, RoundTripsAHundredThousandCharacterLine) {
    QString line;
    for (int i = 0; i < 50000; ++i) line += (i % 2) ? QStringLiteral("中") : QStringLiteral("a");
    line += QStringLiteral("end\u0E01");  // the last character is outside the code page
    const QByteArray ansi = ToAnsi(line);
    ASSERT_EQ(ansi.size(), 25000 * 2 + 25000 + 4);
    EXPECT_TRUE(ansi.endsWith("end?"));
    QString back = line;
    back.chop(1);
    back += u'?';
    EXPECT_EQ(FromAnsi(ansi), back);
}

// Catches: descriptors shared between threads (iconv keeps state in them).
TEST(AnsiCodePage, ConvertsOnSeveralThreadsAtOnce) {
    const QString text = U(u"纳税人识别号 taxpayer 丂 x");
    const QByteArray expected = ToAnsi(text);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (ToAnsi(text) != expected || FromAnsi(expected) != text) ++mismatches;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
}

struct CharsetCase {
    const char* name;
    const char* label;
    QByteArray bytes;
    QString wide;
    bool known;
};

void PrintTo(const CharsetCase& c, std::ostream* os) { *os << c.name; }

class DecodeCharsetTest : public ::testing::TestWithParam<CharsetCase> {};

// Catches: labels in odd case or quoted not recognised, GB 2312 pages losing GBK characters,
// conversion options smuggled in through the label, unknown labels not falling back to Latin-1.
TEST_P(DecodeCharsetTest, DecodesByLabel) {
    const CharsetCase& c = GetParam();
    bool known = !c.known;
    EXPECT_EQ(DecodeCharset(c.bytes.toStdString(), c.label, &known), c.wide);
    EXPECT_EQ(known, c.known);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeCharsetTest,
    ::testing::Values(CharsetCase{"utf8", "utf-8", "\xE4\xB8\xAD", U(u"中"), true},
                      CharsetCase{"utf8Upper", "UTF8", "\xE4\xB8\xAD", U(u"中"), true},
                      CharsetCase{"utf8Invalid", "utf-8", "a\xC3", U(u"a\uFFFD"), true},
                      CharsetCase{"gb2312ReadAsGbk", "gb2312", "\x81\x40\xD6\xD0", U(u"丂中"),
                                  true},
                      CharsetCase{"quotedGbk", " \"GBK\" ", "\xD6\xD0", U(u"中"), true},
                      CharsetCase{"latin1", "iso-8859-1", "caf\xE9", U(u"café"), true},
                      CharsetCase{"big5", "big5", "\xA4\xA4", U(u"中"), true},
                      CharsetCase{"empty", "", "caf\xE9", U(u"café"), false},
                      CharsetCase{"unknown", "x-no-such-set", "caf\xE9", U(u"café"), false},
                      CharsetCase{"withOption", "utf-8//IGNORE", "caf\xE9", U(u"café"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnsiCodePage, FromUtf8LenientReplacesInvalidSequences) {
    EXPECT_EQ(FromUtf8Lenient("ok\xE4\xB8\xAD\xFF!"), U(u"ok中\uFFFD!"));
    EXPECT_TRUE(FromUtf8Lenient(std::string_view("\xE4\xB8", 2)).startsWith(QChar(0xFFFD)));
}

TEST(TextUtil, TrimControlAndLowerAsciiLetters) {
    const struct {
        QString in, trimmed, lowered;
    } cases[] = {
        {QStringLiteral(" \t1\r\n"), QStringLiteral("1"), QStringLiteral(" \t1\r\n")},
        {QString(QChar(0)) + QStringLiteral("a b") + QChar(31), QStringLiteral("a b"),
         QString(QChar(0)) + QStringLiteral("a b") + QChar(31)},
        {QStringLiteral("\r\n"), QString(), QStringLiteral("\r\n")},
        {U(u"\u00A0X\u00A0"), U(u"\u00A0X\u00A0"), U(u"\u00A0x\u00A0")},
        {U(u"DEBUG Ä"), U(u"DEBUG Ä"), U(u"debug Ä")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimControl(c.in), c.trimmed) << c.in.toStdString();
        EXPECT_EQ(LowerAsciiLetters(c.in), c.lowered) << c.in.toStdString();
    }
}

}  // namespace
