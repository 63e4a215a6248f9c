// How long the page command channel takes for a 10 MB command address (a page must not be able to
// freeze the window with one), against Qt's own percent-decoding of the same address, which is the
// least any decoder has to do. Target: well under one second.
//
//   bench_page_command [megabytes]   (default 10)
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "browser/PageCommand.h"

namespace {

class NoActions : public corvane::browser::PageCommandActions {
    void CloseByPage() override {}
    void ReportLogin(const QString&) override {}
    bool PrintPage() override { return true; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const qsizetype megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QString address = QStringLiteral("http://portal.example/interact_") +
                      QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral(
                          R"({"type":"zmxy","data":{"nsrsbh":"330100799655058"}})"))) +
                      QStringLiteral("%3F");
    while (address.size() < megabytes * 1024 * 1024) address += QStringLiteral("%E7%A8%8Ea+b");

    NoActions actions;
    auto start = std::chrono::steady_clock::now();
    const QString result = corvane::browser::HandlePageCommand(address, actions);
    const double channel = Seconds(start);

    start = std::chrono::steady_clock::now();
    const QByteArray reference = QByteArray::fromPercentEncoding(address.toLatin1());
    const double qt = Seconds(start);

    std::printf("page command of %lld MB: %.3f s (result %lld characters)\n",
                static_cast<long long>(megabytes), channel, static_cast<long long>(result.size()));
    std::printf("Qt percent-decoding of the same address: %.3f s (%lld bytes)\n", qt,
                static_cast<long long>(reference.size()));
    std::printf("ratio %.1f; %s one second\n", qt > 0 ? channel / qt : 0.0,
                channel < 1.0 ? "within" : "OVER");
    return 0;
}
