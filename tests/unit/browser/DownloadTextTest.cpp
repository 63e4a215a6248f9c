// The status bar texts of a download: mebibytes with two decimals, speed in kilobytes with two
// decimals, the locale's decimal separator, no digit grouping, local start time.
#include <gtest/gtest.h>

#include <QTimeZone>

#include "browser/Downloads.h"

namespace corvane::browser {
namespace {

struct SizeCase {
    int64_t bytes;
    QLocale locale;
    QString text;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.bytes << " bytes, " << c.locale.name().toStdString();
}

class DownloadSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DownloadSize, ShowsMebibytesWithTwoDecimals) {
    EXPECT_EQ(DownloadSizeText(GetParam().bytes, GetParam().locale), GetParam().text);
}

const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);

INSTANTIATE_TEST_SUITE_P(Cases, DownloadSize,
                         ::testing::Values(SizeCase{0, kC, "下载文件大小：0.00 M"},
                                           SizeCase{1572864, kC, "下载文件大小：1.50 M"},
                                           SizeCase{1572864, kGerman, "下载文件大小：1,50 M"},
                                           SizeCase{5000, kC, "下载文件大小：0.00 M"},
                                           SizeCase{int64_t(1) << 40, kGerman,
                                                    "下载文件大小：1048576,00 M"}));

TEST(DownloadProgress, ComposesTheNineValues) {
    const QDateTime startLocal(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QDateTime startUtc = startLocal.toUTC();
    EXPECT_EQ(DownloadProgressText(1234567, 42, 1572864, startUtc, "/p/down/a《b》|c.zip", kC),
              QStringLiteral("当前速度：1234.57 K;已下载：42%;总大小：1572864;"
                             "开始时间：2024-03-05 14:07:09;保存位置：/p/down/a《b》|c.zip"));
    EXPECT_EQ(DownloadProgressText(1234567, -1, 1234567890123, startUtc, "x", kGerman),
              QStringLiteral("当前速度：1234,57 K;已下载：-1%;总大小：1234567890123;"
                             "开始时间：2024-03-05 14:07:09;保存位置：x"));
}

}  // namespace
}  // namespace corvane::browser
