// The private-profile INI reader and writer.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "ProgramFolderFixture.h"
#include "config/IniFile.h"

using namespace corvane::config;
using corvane::testing::ReadBytes;
using corvane::testing::WriteBytes;

namespace {

QByteArray Utf16Le(const QString& s) {
    QByteArray out("\xFF\xFE");
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

struct ReadCase {
    const char* name;
    QByteArray file;
    const char* section;
    const char* key;
    QString expected;  // the default is "DEF"
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniReadTest : public ::testing::TestWithParam<ReadCase> {
  protected:
    QTemporaryDir dir_;
};

// Catches: names compared with case, blanks or quotes kept, an empty value taken as missing, long
// values not cut, encodings not recognised, bad bytes stopping the reading.
TEST_P(IniReadTest, ReadsByTheWindowsRules) {
    const QString path = dir_.path() + QStringLiteral("/f.ini");
    WriteBytes(path, GetParam().file);
    EXPECT_EQ(ReadIniString(path, QString::fromLatin1(GetParam().section),
                            QString::fromLatin1(GetParam().key), QStringLiteral("DEF")),
              GetParam().expected);
}

const QByteArray kLong = QByteArray(3000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[config]\r\nTaxUrl=http://a/\r\n", "config", "TaxUrl", "http://a/"},
        ReadCase{"nameCase", "[CONFIG]\nTAXURL=x\n", "config", "TaxUrl", "x"},
        ReadCase{"blanks", "  [ parms ]  \n\t version \t=\t 1.2 \t\n", "parms", "version", "1.2"},
        ReadCase{"doubleQuotes", "[s]\nk=\" quoted \"\n", "s", "k", " quoted "},
        ReadCase{"singleQuotes", "[s]\nk='q'\n", "s", "k", "q"},
        ReadCase{"mismatchedQuotes", "[s]\nk=\"q'\n", "s", "k", "\"q'"},
        ReadCase{"loneQuote", "[s]\nk=\"\n", "s", "k", "\""},
        ReadCase{"emptyValue", "[config]\nTaxUrl=\n", "config", "TaxUrl", ""},
        ReadCase{"missingKey", "[config]\nServer=x\n", "config", "TaxUrl", "DEF"},
        ReadCase{"keyInOtherSection", "[a]\nk=1\n[b]\nj=2\n", "b", "k", "DEF"},
        ReadCase{"missingSection", "k=1\n", "s", "k", "DEF"},
        ReadCase{"firstOfTwo", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        ReadCase{"valueWithEquals", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"crOnlyLineEnds", "[s]\rk=cr\r", "s", "k", "cr"},
        ReadCase{"noFinalLineEnd", "[s]\nk=end", "s", "k", "end"},
        ReadCase{"cutAt2047", "[s]\nk=" + kLong + "\n", "s", "k", QString(2047, u'v')},
        ReadCase{"gbk", "[s]\nk=\xD6\xD0\xCE\xC4\n", "s", "k", QString::fromUtf16(u"中文")},
        ReadCase{"invalidBytes", "[s]\nj=\xFF\xFF\nk=ok\n", "s", "k", "ok"},
        ReadCase{"utf16", Utf16Le(QString::fromUtf16(u"[s]\r\nk=中\r\n")), "s", "k",
                 QString::fromUtf16(u"中")},
        ReadCase{"utf8Bom", "\xEF\xBB\xBF[s]\nk=\xE4\xB8\xAD\n", "s", "k",
                 QString::fromUtf16(u"中")},
        ReadCase{"empty", "", "s", "k", "DEF"},
        ReadCase{"binary", QByteArray("\x00\x01[s\x00]\xFE\n\x00k=\x01", 12), "s", "k", "DEF"},
        ReadCase{"longLineBeforeKey", "[s]\n" + QByteArray(100000, 'x') + "\nk=after\n", "s", "k",
                 "after"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniRead, MissingFileOrFolderGivesTheDefault) {
    QTemporaryDir dir;
    EXPECT_EQ(ReadIniString(dir.path() + QStringLiteral("/none.ini"), QStringLiteral("s"),
                            QStringLiteral("k"), QStringLiteral("DEF")),
              QStringLiteral("DEF"));
    EXPECT_EQ(
        ReadIniString(dir.path(), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("DEF")),
        QStringLiteral("DEF"));
}

// Catches: an enormous file read line by line through the file system or with a quadratic scan.
TEST(IniRead, FindsAKeyAtTheEndOfAnEnormousFile) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/big.ini");
    QByteArray big;
    big.reserve(40 << 20);
    for (int i = 0; i < 400000; ++i) big += "[section" + QByteArray::number(i) + "]\nkey=value\n";
    big += "[last]\nkey=found\n";
    WriteBytes(path, big);
    EXPECT_EQ(ReadIniString(path, QStringLiteral("LAST"), QStringLiteral("key"), QString()),
              QStringLiteral("found"));
}

struct WriteCase {
    const char* name;
    std::optional<QByteArray> before;  // nullopt: no file
    const char* section;
    const char* key;
    QString value;
    QByteArray after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {
  protected:
    QTemporaryDir dir_;
};

// Catches: other lines rewritten (spacing, comments, bad bytes, line ends), keys added in the
// wrong place, a file's encoding changed, a line break written into the file.
TEST_P(IniWriteTest, ChangesOnlyTheOneKey) {
    const QString path = dir_.path() + QStringLiteral("/f.ini");
    if (GetParam().before) WriteBytes(path, *GetParam().before);
    ASSERT_TRUE(WriteIniString(path, QString::fromLatin1(GetParam().section),
                               QString::fromLatin1(GetParam().key), GetParam().value));
    EXPECT_EQ(ReadBytes(path), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"replace",
                  "; comment \xFF\r\n[parms]\r\nclientlx = 1 \r\nNSRSBH=old\nversion=\"2\"\r\n",
                  "parms", "nsrsbh", QStringLiteral("91330"),
                  "; comment \xFF\r\n[parms]\r\nclientlx = 1 \r\nNSRSBH=91330\nversion=\"2\"\r\n"},
        WriteCase{"addToSectionBeforeBlankLines", "[parms]\r\nversion=2\r\n\r\n[other]\r\nx=1\r\n",
                  "PARMS", "nsrsbh", QStringLiteral("1"),
                  "[parms]\r\nversion=2\r\nnsrsbh=1\r\n\r\n[other]\r\nx=1\r\n"},
        WriteCase{"addToEmptySection", "[parms]", "parms", "k", QStringLiteral("v"),
                  "[parms]\r\nk=v\r\n"},
        WriteCase{"newSection", "[a]\r\nx=1", "parms", "k", QStringLiteral("v"),
                  "[a]\r\nx=1\r\n[parms]\r\nk=v\r\n"},
        WriteCase{"newFileInCodePage", std::nullopt, "parms", "k", QString::fromUtf16(u"中ก"),
                  "[parms]\r\nk=\xD6\xD0?\r\n"},
        WriteCase{"utf16StaysUtf16", Utf16Le(QStringLiteral("[s]\r\nk=old\r\nj=1\r\n")), "s", "k",
                  QString::fromUtf16(u"中"),
                  Utf16Le(QString::fromUtf16(u"[s]\r\nk=中\r\nj=1\r\n"))},
        WriteCase{"lineBreakCut", "[parms]\r\nversion=2\r\n", "parms", "nsrsbh",
                  QStringLiteral("123\r\nversion=9"), "[parms]\r\nversion=2\r\nnsrsbh=123\r\n"},
        WriteCase{"emptyValue", "[s]\nk=x\n", "s", "k", QString(), "[s]\nk=\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: the folder created, a file that cannot be read being replaced, names that would change
// the file's structure accepted.
TEST(IniWrite, RefusesWhatItCannotWriteSafely) {
    QTemporaryDir dir;
    EXPECT_FALSE(WriteIniString(dir.path() + QStringLiteral("/missing/f.ini"), QStringLiteral("s"),
                                QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(QDir(dir.path() + QStringLiteral("/missing")).exists());
    EXPECT_FALSE(
        WriteIniString(dir.path(), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v")));
    const QString path = dir.path() + QStringLiteral("/f.ini");
    for (const auto& [section, key] :
         {std::pair{"s]x", "k"}, {"s", "k=x"}, {"s", "k\nx"}, {"", "k"}, {"s", " "}})
        EXPECT_FALSE(WriteIniString(path, QString::fromLatin1(section), QString::fromLatin1(key),
                                    QStringLiteral("v")))
            << section << "/" << key;
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
