// Percent-decoding of page command payloads: the byte rules, the two errors with their exact
// messages and positions, and the round trip through the ANSI code page.
#include <gtest/gtest.h>

#include "browser/UrlDecode.h"

namespace corvane::browser {
namespace {

struct DecodeCase {
    QByteArray input;
    QByteArray expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.input.toHex(' ').constData(); }

class PercentDecodeOk : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PercentDecodeOk, DecodesBytes) {
    EXPECT_EQ(PercentDecode(GetParam().input).toHex(' '), GetParam().expected.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PercentDecodeOk,
    ::testing::Values(DecodeCase{"", ""}, DecodeCase{"plain/text", "plain/text"},
                      DecodeCase{"a+b++", "a b  "},                  // "+" is a blank
                      DecodeCase{"%41%62%7a%5A", "AbzZ"},            // both cases of hex digits
                      DecodeCase{"%%41", "%41"},                     // "%%" is "%", digits stay
                      DecodeCase{"100%%", "100%"},                   // "%%" at the very end
                      DecodeCase{"%2B", "+"},                        // a meant plus sign
                      DecodeCase{"%E6%92%AD", "\xE6\x92\xAD"},       // high bytes
                      DecodeCase{"%00x", QByteArray("\0x", 2)},      // an encoded zero is data
                      DecodeCase{QByteArray("ab\0%zz", 6), "ab"}));  // a zero byte ends it

struct ErrorCase {
    QByteArray input;
    bool convertError;  // EConvertError, else EWebBrokerException
    QString message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.input.toHex(' ').constData(); }

class PercentDecodeError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PercentDecodeError, FailsWithTheExactMessage) {
    const ErrorCase& c = GetParam();
    try {
        PercentDecode(c.input);
        FAIL() << "no error for " << c.input.constData();
    } catch (const EConvertError& e) {
        EXPECT_TRUE(c.convertError);
        EXPECT_EQ(e.message(), c.message);
    } catch (const EWebBrokerException& e) {
        EXPECT_FALSE(c.convertError);
        EXPECT_EQ(e.message(), c.message);
    }
}

const QString kShort = QStringLiteral("Error decoding URL style (%XX) encoded string at position ");
const QString kInvalid = QStringLiteral("Invalid URL encoded character (");

INSTANTIATE_TEST_SUITE_P(
    Cases, PercentDecodeError,
    ::testing::Values(ErrorCase{"%", false, kShort + "1"},     // "%" alone
                      ErrorCase{"ab%", false, kShort + "3"},   // "%" at the end
                      ErrorCase{"ab%4", false, kShort + "3"},  // one character after "%"
                      ErrorCase{"%%%", false, kShort + "3"},   // "%%" then a lone "%"
                      ErrorCase{QByteArray("%4\0"
                                           "1",
                                           4),
                                false, kShort + "1"},  // zero ends it
                      ErrorCase{"%zz", true, kInvalid + "%zz) at position 1"},
                      ErrorCase{"x%4g", true, kInvalid + "%4g) at position 2"},
                      ErrorCase{"%+1", true, kInvalid + "%+1) at position 1"},
                      ErrorCase{"%-1", true, kInvalid + "%-1) at position 1"}));

TEST(UrlDecodeAnsi, ReadsTheBytesInTheAnsiCodePage) {
    // GBK D6 D0 is "中"; a character GBK cannot hold becomes "?" before decoding.
    EXPECT_EQ(UrlDecodeAnsi(QStringLiteral("%D6%D0+%41")), QStringLiteral("中 A"));
    EXPECT_EQ(UrlDecodeAnsi(QStringLiteral("中文")), QStringLiteral("中文"));
    EXPECT_EQ(UrlDecodeAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                              "b")),
              QStringLiteral("a?b"));
}

TEST(UrlDecodeUtf8, ReplacesInvalidSequences) {
    EXPECT_EQ(UrlDecodeUtf8(QStringLiteral("%E6%92%AD")), QStringLiteral("播"));
    EXPECT_EQ(UrlDecodeUtf8(QStringLiteral("a%FF%FEb")),
              QStringLiteral("a") + QChar(0xFFFD) + QChar(0xFFFD) + QStringLiteral("b"));
    EXPECT_THROW(UrlDecodeUtf8(QStringLiteral("%E6%9")), EWebBrokerException);
}

}  // namespace
}  // namespace corvane::browser
