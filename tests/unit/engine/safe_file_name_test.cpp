// Download names from a server must become one harmless file-name component (the fault: a name
// such as "../x" or "/etc/passwd" taken as a path and written outside the chosen folder).
#include <gtest/gtest.h>

#include "safe_file_name.h"

using corvane::engine::SafeDownloadFileName;

namespace {

struct NameCase {
    QString suggested;
    QString expected;
};

class SafeDownloadFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SafeDownloadFileNameTest, ReducesToOneComponent) {
    EXPECT_EQ(SafeDownloadFileName(GetParam().suggested), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeDownloadFileNameTest,
    testing::Values(NameCase{"report.pdf", "report.pdf"}, NameCase{"../x", "_x"},
                    NameCase{"/etc/passwd", "_etc_passwd"}, NameCase{"a\\b.txt", "a_b.txt"},
                    NameCase{"..\\..\\win.ini", "_.._win.ini"}, NameCase{"..", "download"},
                    NameCase{"", "download"}, NameCase{" . ", "download"},
                    NameCase{"  .bashrc", "bashrc"}, NameCase{"name.txt  ", "name.txt"},
                    NameCase{QString::fromUtf16(u"tab\there\x7f.txt"), "tab_here_.txt"},
                    // U+202E would show "invoice_fdp.exe" as "invoice_exe.pdf".
                    NameCase{QString::fromUtf16(u"invoice_\u202efdp.exe"), "invoice__fdp.exe"},
                    // Kept as they are: the shell shows and saves them unchanged.
                    NameCase{QString::fromUtf16(u"《报表》|2024.xls"),
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
