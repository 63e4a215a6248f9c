// The configuration readers and the taxpayer number writer, in a program folder of their own.
#include <dirent.h>
#include <gtest/gtest.h>

#include <QDir>

#include "ProgramFolderFixture.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "corvane_build_config.h"

using namespace corvane;
using namespace corvane::config;
using corvane::testing::ProgramFolderTest;
using corvane::testing::ReadBytes;
using corvane::testing::WriteBytes;

namespace {

class ConfigTest : public ProgramFolderTest {
  protected:
    ConfigTest() : settings(DefaultSettings(Path(QString()))) {}
    void SetUp() override { StartLog(nullptr); }
    void MakeFolder(const QString& name) { ASSERT_TRUE(QDir(dir_.path()).mkdir(name)); }
    // Finds the update folder as the start-up does.
    void UseUpdateFolder() {
        settings.UpdateFolder = FindUpdateFolder(settings.ProgramFolder) + u'/';
    }

    AppSettings settings;
};

TEST_F(ConfigTest, BuiltInAddressesUseThePortalHost) {
    EXPECT_EQ(DefaultTaxUrl(),
              QStringLiteral("https://" CORVANE_PORTAL_HOST "/zjgfdzswj/main/index.html"));
    EXPECT_EQ(DefaultServer(),
              QStringLiteral("http://" CORVANE_PORTAL_HOST "/zjgfdacx/app/queryVersion.do"));
}

// Catches: files taken for folders, case compared, a fixed name instead of the first match.
TEST_F(ConfigTest, UpdateFolderIsTheFirstListedFolderBeginningWithHisupdate) {
    EXPECT_EQ(FindUpdateFolder(settings.ProgramFolder), QStringLiteral("HISUPDATE"));
    WriteBytes(Path("HISUPDATE.txt"), "a file, passed over");
    EXPECT_EQ(FindUpdateFolder(settings.ProgramFolder), QStringLiteral("HISUPDATE"));
    MakeFolder(QStringLiteral("HisUpdate_2"));
    EXPECT_EQ(FindUpdateFolder(settings.ProgramFolder), QStringLiteral("HisUpdate_2"));
    MakeFolder(QStringLiteral("HISUPDATE_1"));
    MakeFolder(QStringLiteral("other"));

    // The file system's own order, as the plain directory listing gives it.
    QString firstListed;
    DIR* d = opendir(QFile::encodeName(dir_.path()).constData());
    ASSERT_NE(d, nullptr);
    while (dirent* e = readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (name.startsWith(u"HisUpdate_") || name.startsWith(u"HISUPDATE_")) {
            firstListed = name;
            break;
        }
    }
    closedir(d);
    EXPECT_EQ(FindUpdateFolder(settings.ProgramFolder), firstListed);
}

struct SwitchCase {
    const char* name;
    std::optional<QByteArray> file;  // nullopt: no chrome.pz
    bool expected;
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class SingleProcessSwitchTest : public ConfigTest,
                                public ::testing::WithParamInterface<SwitchCase> {};

// Catches: line breaks not trimmed, words compared with case, "yes" or other text taken as true,
// numbers other than 1 not counted, text after a number ignored.
TEST_P(SingleProcessSwitchTest, ReadsTheSwitch) {
    if (GetParam().file) WriteBytes(Path("chrome.pz"), *GetParam().file);
    EXPECT_EQ(ReadSingleProcessSwitch(settings.ProgramFolder), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleProcessSwitchTest,
    ::testing::Values(SwitchCase{"missing", std::nullopt, false},
                      SwitchCase{"oneAndLineBreak", "1\r\n", true},
                      SwitchCase{"trueInCapitals", "TRUE", true},
                      SwitchCase{"trueMixedCase", " \tTrue\n", true},
                      SwitchCase{"zero", "0", false}, SwitchCase{"yes", "yes", false},
                      SwitchCase{"empty", "", false}, SwitchCase{"oneLineBreakX", "1\r\nx", false},
                      SwitchCase{"false", "False", false}, SwitchCase{"otherNumber", "-2", true},
                      SwitchCase{"zeros", "000", false},
                      SwitchCase{"hugeNumber", "123456789012345678901234567890", true},
                      SwitchCase{"utf16Bom",
                                 QByteArray("\xFF\xFE"
                                            "1\0",
                                            4),
                                 true},
                      SwitchCase{"utf8Bom", "\xEF\xBB\xBFtrue", true},
                      SwitchCase{"binary", QByteArray("\x00\xFF\x01", 3), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigTest, SwitchFileThatIsAFolderReadsAsFalse) {
    MakeFolder(QStringLiteral("chrome.pz"));
    EXPECT_FALSE(ReadSingleProcessSwitch(settings.ProgramFolder));
}

// Catches: defaults lost when files are missing, an empty value taken as missing, quotes kept,
// qvprm.ini looked for outside the update folder.
TEST_F(ConfigTest, ReadConfigKeepsDefaultsForWhatIsMissing) {
    UseUpdateFolder();
    EXPECT_TRUE(ReadConfig(settings));
    EXPECT_EQ(settings.TaxUrl, DefaultTaxUrl());
    EXPECT_EQ(settings.Server, DefaultServer());
    EXPECT_EQ(settings.clientlx, QString());
    EXPECT_EQ(settings.version, QString());

    WriteBytes(Path("qvpz.pz"), "[config]\r\nTaxUrl=\r\n");
    MakeFolder(QStringLiteral("HISUPDATE_x"));
    WriteBytes(Path("HISUPDATE_x/qvprm.ini"), "[parms]\r\nclientlx=\"7\"\r\nversion= 3.1.4 \r\n");
    UseUpdateFolder();
    EXPECT_TRUE(ReadConfig(settings));
    EXPECT_EQ(settings.TaxUrl, QString());
    EXPECT_EQ(settings.Server, DefaultServer());
    EXPECT_EQ(settings.clientlx, QStringLiteral("7"));
    EXPECT_EQ(settings.version, QStringLiteral("3.1.4"));
    EXPECT_EQ(LogText(), QByteArray());  // nothing missing is an error
}

// Catches: a file that cannot be read stopping the start or the reading of the next file, or
// passing unreported.
TEST_F(ConfigTest, UnreadableFileIsReportedAndTheNextFileStillRead) {
    MakeFolder(QStringLiteral("qvpz.pz"));
    MakeFolder(QStringLiteral("HISUPDATE"));
    WriteBytes(Path("HISUPDATE/qvprm.ini"), "[parms]\nversion=5\n");
    UseUpdateFolder();
    EXPECT_TRUE(ReadConfig(settings));
    EXPECT_EQ(settings.TaxUrl, DefaultTaxUrl());
    EXPECT_EQ(settings.version, QStringLiteral("5"));
    EXPECT_TRUE(LogText().contains("error: \r\nCannot open file \"" +
                                   QFile::encodeName(Path("qvpz.pz")) + "\""))
        << LogText().toStdString();
}

// Catches: other keys of qvprm.ini disturbed by the write.
TEST_F(ConfigTest, SaveTaxpayerNumberReplacesOnlyThatKey) {
    MakeFolder(QStringLiteral("HISUPDATE"));
    UseUpdateFolder();
    EXPECT_EQ(QvprmPath(settings), Path("HISUPDATE/qvprm.ini"));
    WriteBytes(QvprmPath(settings), "[parms]\r\nclientlx=1\r\nnsrsbh=OLD\r\nversion=2.0\r\n");
    SaveTaxpayerNumber(settings, QStringLiteral("91330100MA27XL0P6X"));
    EXPECT_EQ(ReadBytes(QvprmPath(settings)),
              "[parms]\r\nclientlx=1\r\nnsrsbh=91330100MA27XL0P6X\r\nversion=2.0\r\n");
    EXPECT_EQ(LogText(), QByteArray());
}

struct LineBreakCase {
    const char* name;
    QString number;
    const char* stored;
};

void PrintTo(const LineBreakCase& c, std::ostream* os) { *os << c.name; }

class SaveTaxpayerNumberLineBreakTest : public ConfigTest,
                                        public ::testing::WithParamInterface<LineBreakCase> {};

// Catches: a number from a page adding or replacing keys of qvprm.ini (the version the update
// check reads) through a line break; the cut passing unreported.
TEST_P(SaveTaxpayerNumberLineBreakTest, NeverWritesALineBreak) {
    MakeFolder(QStringLiteral("HISUPDATE"));
    UseUpdateFolder();
    WriteBytes(QvprmPath(settings), "[parms]\r\nclientlx=1\r\nversion=2.0\r\n");
    SaveTaxpayerNumber(settings, GetParam().number);
    EXPECT_EQ(
        ReadIniString(QvprmPath(settings), QStringLiteral("parms"), QStringLiteral("version"), {}),
        QStringLiteral("2.0"));
    EXPECT_EQ(
        ReadBytes(QvprmPath(settings)),
        QByteArray("[parms]\r\nclientlx=1\r\nversion=2.0\r\nnsrsbh=") + GetParam().stored + "\r\n");
    EXPECT_TRUE(LogText().contains("[error]Addr: ")) << LogText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveTaxpayerNumberLineBreakTest,
    ::testing::Values(LineBreakCase{"crlf", QStringLiteral("123\r\nversion=9.9"), "123"},
                      LineBreakCase{"lf", QStringLiteral("123\n[parms]\nversion=9.9"), "123"},
                      LineBreakCase{"cr", QStringLiteral("\rversion=9.9"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: a failed write passing silently or creating the missing folder.
TEST_F(ConfigTest, SaveTaxpayerNumberReportsAFolderThatDoesNotExist) {
    UseUpdateFolder();  // no HISUPDATE folder
    SaveTaxpayerNumber(settings, QStringLiteral("1"));
    EXPECT_FALSE(QDir(Path("HISUPDATE")).exists());
    EXPECT_TRUE(LogText().contains("error: \r\nUnable to write to " +
                                   QFile::encodeName(Path("HISUPDATE/qvprm.ini")) + " \r\n"))
        << LogText().toStdString();
}

}  // namespace
