// Printing: the page's own window.print() and the "printwebview" command take the same path, and a
// print request while a print dialog is open is refused and reported, never printed twice.
#include <QUrl>

#include "WindowFixture.h"

namespace corvane::browser {
namespace {

using scripted::RecordedCall;

QString PrintCommand() {
    return QStringLiteral("https://portal.test/app/interact_") +
           QString::fromLatin1(QUrl::toPercentEncoding(R"({"type":"printwebview"})"));
}

qsizetype RefusalsIn(const QString& log) {
    return log.count(QLatin1String("Print request refused: a print dialog is already open"));
}

TEST_F(WindowFixture, WindowPrintPrintsThePageThatAskedThroughTheWindow) {
    Open();
    const int popup = Engine().OpenPopup(OwnId(), QString());
    Settle();
    for (int id : {OwnId(), popup}) {
        Engine().ClearCalls();
        EXPECT_TRUE(Engine().PrintRequested(id)) << "the window takes care of window.print()";
        const QList<RecordedCall> prints = Engine().CallsNamed("Print");
        ASSERT_EQ(prints.size(), 1);
        EXPECT_EQ(prints[0].browser, id);
        EXPECT_TRUE(prints[0].flag);
    }
    EXPECT_EQ(RefusalsIn(LogText()), 0);
}

TEST_F(WindowFixture, PrintRequestsWhileADialogIsOpenAreRefusedAndReported) {
    Open();
    const qsizetype before = RefusalsIn(LogText());
    Engine().printDialogOpen = true;
    // A page that calls window.print() in a loop gets one refusal per call and no second dialog.
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(Engine().PrintRequested(OwnId()));
    EXPECT_FALSE(Engine().Navigate(OwnId(), PrintCommand()));
    EXPECT_EQ(RefusalsIn(LogText()) - before, 101);
    for (const RecordedCall& call : Engine().CallsNamed("Print")) EXPECT_FALSE(call.flag);
    // The refused command is not logged as printed.
    EXPECT_EQ(NavigationLog().last(), PrintCommand());

    Engine().printDialogOpen = false;
    EXPECT_FALSE(Engine().Navigate(OwnId(), PrintCommand()));
    EXPECT_EQ(NavigationLog().last(), QStringLiteral("打印网页"));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace corvane::browser
