#include "WindowFixture.h"

#include "TempProgram.h"

#include <QCoreApplication>
#include <QTest>

#include "config/Settings.h"
#include "log/log4me.h"

namespace corvane::browser {

QString WindowFixture::programFolder;

void WindowFixture::SetUp() {
    Engine().Reset();
    settings = config::DefaultSettings(programFolder);
    SetMessageBoxResponder([this](const MessageBoxRequest& request) {
        boxes.push_back(request);
        return answer;
    });
}

void WindowFixture::TearDown() {
    delete window.data();
    SetMessageBoxResponder(nullptr);
    Engine().Reset();
}

TFrmChrome& WindowFixture::Open(bool show) {
    window = new TFrmChrome(settings);
    ownId_ = Engine().Browsers().value(0);
    if (show) window->show();
    Settle();
    return *window;
}

void WindowFixture::Settle() {
    for (int round = 0; round < 100; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!Engine().DeliverQueued()) break;
    }
    QCoreApplication::processEvents();
}

bool WindowFixture::WaitUntilGone() {
    return QTest::qWaitFor([this] {
        Settle();
        return window.isNull();
    });
}

QStringList WindowFixture::NavigationLog() const {
    const QString text = Part<QPlainTextEdit>(*window, "Memo1").toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QString WindowFixture::LogText() { return testing::TempProgram::ReadLogs(programFolder); }

QStringList WindowFixture::CallNames() const {
    QStringList names;
    for (const scripted::RecordedCall& call : Engine().Calls()) names << call.name;
    return names;
}

}  // namespace corvane::browser
