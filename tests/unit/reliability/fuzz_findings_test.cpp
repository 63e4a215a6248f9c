// The inputs the fuzz targets found faults with, kept as plain cases (their corpus files are in
// tests/fuzz/corpus/). Each case names the fault it would catch coming back.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "browser/UrlDecode.h"
#include "config/IniFile.h"

namespace corvane {
namespace {

struct BadEscapeCase {
    const char* name;
    QByteArray input;
    QString message;
};

void PrintTo(const BadEscapeCase& c, std::ostream* os) { *os << c.name; }

class BadEscapeMessage : public ::testing::TestWithParam<BadEscapeCase> {};

// Catches the offending characters being taken as placeholders of the message ("%1" in the
// payload replaced by the position, the position missing).
TEST_P(BadEscapeMessage, QuotesTheCharactersAsReceived) {
    try {
        browser::PercentDecode(GetParam().input);
        FAIL() << "no error";
    } catch (const browser::EConvertError& e) {
        EXPECT_EQ(e.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FuzzFindings, BadEscapeMessage,
    ::testing::Values(
        BadEscapeCase{"PercentOneThenPercent", "4%1%%",
                      QStringLiteral("Invalid URL encoded character (%1%) at position 2")},
        BadEscapeCase{"PercentTwoInside", "%%2%2x",
                      QStringLiteral("Invalid URL encoded character (%2x) at position 4")}),
    [](const auto& info) { return std::string(info.param.name); });

struct IniWriteCase {
    const char* name;
    QByteArray file;
};

void PrintTo(const IniWriteCase& c, std::ostream* os) { *os << c.name; }

class IniWriteFinding : public ::testing::TestWithParam<IniWriteCase> {};

// Catches a taxpayer number written where the reader does not find it: after the stray last byte
// of a UTF-16 file (every unit after it shifted by one byte), or into a line the writer took for
// the section while the reader sees a character before its bracket (a byte-order mark that is
// not at the start of the file).
TEST_P(IniWriteFinding, NumberReadsBackAfterTheWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("qvprm.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().file);
    file.close();

    ASSERT_TRUE(config::WriteIniString(path, QStringLiteral("parms"), QStringLiteral("nsrsbh"),
                                       QStringLiteral("330100")));
    EXPECT_EQ(config::ReadIniString(path, QStringLiteral("parms"), QStringLiteral("nsrsbh"), {}),
              QStringLiteral("330100"));
}

INSTANTIATE_TEST_SUITE_P(
    FuzzFindings, IniWriteFinding,
    ::testing::Values(
        IniWriteCase{"Utf16WithHalfAUnitAtTheEnd",
                     "\xFF\xFE" + QByteArray::fromRawData("[\0p\0a\0r\0m\0s\0]\0\r\0\n\0x", 19)},
        IniWriteCase{"Utf8ByteOrderMarkBeforeASection",
                     "\xEF\xBB\xBF[other]\r\xEF\xBB\xBF[PARMS]\rkey=1\r"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane
