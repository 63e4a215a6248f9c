// The update-check stand-in answers what its settings file says, through the one exported
// function the program binds.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "text/AnsiCodePage.h"
#include "update/CK_update.h"

namespace {

using corvane::text::ToAnsi;

// The longest prefix of whole characters that fits in 199 bytes of the ANSI code page.
QByteArray FitInBuffer(const QString& text) {
    QByteArray fitted;
    for (int n = 0; n <= text.length(); ++n) {
        const QByteArray bytes = ToAnsi(text.left(n));
        if (bytes.size() > 199) break;
        fitted = bytes;
    }
    return fitted;
}

struct AnswerCase {
    const char* name;
    QByteArray ini;  // null: no file
    int32_t result;
    QByteArray description;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

std::vector<AnswerCase> Cases() {
    const QString longChinese = QString(120, QChar(0x66F4));  // 更
    const QString mixed = "a" + QString(120, QChar(0x65B0));  // 新
    return {
        {"NoFile", QByteArray(), 0, ""},
        {"Defaults", "[update]\n", 0, ""},
        {"InstallWithoutAsking", "[update]\nresult=2\n", 2, ""},
        {"CaseBlanksQuotes", "[UPDATE]\r\n  Result = -4 \r\nDESCRIPTION = \"fix it\" \r\n", -4,
         "fix it"},
        {"OtherSectionIgnored", "[other]\nresult=1\n[update]\ndelay_ms=1\n", 0, ""},
        {"FirstKeyWins", "[update]\nresult=1\nresult=2\n", 1, ""},
        {"NotANumber", "[update]\nresult=abc\n", 0, ""},
        {"CommentIgnored", "[update]\n;result=2\n", 0, ""},
        {"Ansi", "[update]\nresult=1\ndescription=" + ToAnsi(QStringLiteral("修复打印问题")) + "\n",
         1, ToAnsi(QStringLiteral("修复打印问题"))},
        {"LongAscii", "[update]\ndescription=" + QByteArray(250, 'a') + "\n", 0,
         QByteArray(199, 'a')},
        {"LongCutAtCharacter", "[update]\ndescription=" + ToAnsi(longChinese) + "\n", 0,
         FitInBuffer(longChinese)},
        {"MixedCutAtCharacter", "[update]\ndescription=" + ToAnsi(mixed) + "\n", 0,
         FitInBuffer(mixed)},
    };
}

class CheckupdateStandInTest : public ::testing::TestWithParam<AnswerCase> {};

// Catches a misread settings file, a description cut inside a character, a buffer overrun or a
// missing terminator. The folder has a Chinese name: the path arrives in the ANSI code page.
TEST_P(CheckupdateStandInTest, AnswersFromLocalConf) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("更新")));
    const QString path = dir.path() + QStringLiteral("/更新/LocalConf.ini");
    if (!GetParam().ini.isNull()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().ini);
    }
    char buffer[201];
    std::memset(buffer, 0x7F, sizeof buffer);
    const QByteArray ansiPath = ToAnsi(path);
    const QByteArray params = ToAnsi(dir.path() + "/qvprm.ini");

    EXPECT_EQ(Checkupdate(ansiPath.constData(), params.constData(), buffer), GetParam().result);
    ASSERT_LE(std::strlen(buffer), 199u);
    EXPECT_EQ(QByteArray(buffer), GetParam().description);
    EXPECT_EQ(buffer[200], 0x7F) << "wrote past the 200-byte buffer";
}

INSTANTIATE_TEST_SUITE_P(Settings, CheckupdateStandInTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
