// Download names from a server must become one harmless file-name component (the fault: a name
// such as "../x" or "/etc/passwd" taken as a path and written outside the chosen folder).
#include <gtest/gtest.h>

#include <ostream>

#include "safe_file_name.h"

using corvane::engine::SafeDownloadFileName;

namespace {

struct NameCase {
    const char* label;  // names the case in test listings
    QString suggested;
    QString expected;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

class SafeDownloadFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SafeDownloadFileNameTest, ReducesToOneComponent) {
    EXPECT_EQ(SafeDownloadFileName(GetParam().suggested), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeDownloadFileNameTest,
    testing::Values(NameCase{"plain", "report.pdf", "report.pdf"}, NameCase{"parent", "../x", "_x"},
                    NameCase{"absolute", "/etc/passwd", "_etc_passwd"},
                    NameCase{"backslash", "a\\b.txt", "a_b.txt"},
                    NameCase{"windows_parents", "..\\..\\win.ini", "_.._win.ini"},
                    NameCase{"dots_only", "..", "download"}, NameCase{"empty", "", "download"},
                    NameCase{"blank_dot", " . ", "download"},
                    NameCase{"hidden", "  .bashrc", "bashrc"},
                    NameCase{"trailing_blanks", "name.txt  ", "name.txt"},
                    NameCase{"controls", QString::fromUtf16(u"tab\there\x7f.txt"), "tab_here_.txt"},
                    // U+202E would show "invoice_fdp.exe" as "invoice_exe.pdf".
                    NameCase{"bidi_override", QString::fromUtf16(u"invoice_\u202efdp.exe"),
                             "invoice__fdp.exe"},
                    // Kept as they are: the shell shows and saves them unchanged.
                    NameCase{"chinese_and_bar", QString::fromUtf16(u"《报表》|2024.xls"),
                             QString::fromUtf16(u"《报表》|2024.xls")}));

TEST(SafeDownloadFileNameLength, LongNamesKeepTheirExtensionAndWholeCharacters) {
    // 3-byte characters: 100 of them are 300 bytes, more than a name may hold.
    const QString long_stem(100, QChar(u'报'));
    const QString name = SafeDownloadFileName(long_stem + ".xlsx");
    EXPECT_TRUE(name.endsWith(".xlsx"));
    EXPECT_LE(name.toUtf8().size(), 244);
    EXPECT_EQ(name.toUtf8().size(), 79 * 3 + 5);  // as many whole characters as fit
    EXPECT_TRUE(name.startsWith(QString(79, QChar(u'报'))));

    const QString no_extension = SafeDownloadFileName(QString(300, QChar(u'a')));
    EXPECT_EQ(no_extension, QString(244, QChar(u'a')));
}

}  // namespace
