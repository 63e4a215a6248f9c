// The page's alert, confirm and prompt as the window's own boxes, and the no-show prefix.
#include "CaseName.h"
#include "WindowFixture.h"

namespace corvane::browser {
namespace {

struct DialogCase {
    const char* name;
    cef_jsdialog_type_t type;
    QString message;
    QMessageBox::StandardButton pressed;
    // The box shown (empty text: none).
    QString boxText;
    QString boxCaption;
    QMessageBox::StandardButtons boxButtons;
    // What the engine is told.
    bool handled;
    bool suppressed;
    bool continued;
    bool success;
};

class PageDialog : public WindowFixture, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(PageDialog, AnswersAsTheWindowDecides) {
    const DialogCase& c = GetParam();
    Open();
    answer = c.pressed;
    const scripted::JSDialogAnswer got = Engine().JSDialog(OwnId(), c.type, c.message);
    if (c.boxText.isEmpty()) {
        EXPECT_TRUE(boxes.empty());
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.boxText);
        EXPECT_EQ(boxes[0].caption, c.boxCaption);
        EXPECT_EQ(boxes[0].buttons, c.boxButtons);
        EXPECT_EQ(boxes[0].owner, window.data());
        const bool confirm = c.type == JSDIALOGTYPE_CONFIRM;
        EXPECT_EQ(boxes[0].icon, confirm ? QMessageBox::Warning : QMessageBox::NoIcon);
        EXPECT_EQ(boxes[0].topmost, confirm);
    }
    EXPECT_EQ(got.handled, c.handled);
    EXPECT_EQ(got.suppressMessage, c.suppressed);
    EXPECT_EQ(got.continued, c.continued);
    if (c.continued) {
        EXPECT_EQ(got.success, c.success);
        EXPECT_TRUE(got.userInput.isEmpty());
    }
}

const QString kSys = QStringLiteral("系统 提示");
const QString kPromptText = QStringLiteral("系统不支持prompt形式的提示框");
constexpr auto kOk = QMessageBox::Ok;
constexpr auto kYes = QMessageBox::Yes;
constexpr auto kNo = QMessageBox::No;
const QMessageBox::StandardButtons kYesNo = QMessageBox::Yes | QMessageBox::No;

INSTANTIATE_TEST_SUITE_P(
    Cases, PageDialog,
    ::testing::Values(DialogCase{"Alert", JSDIALOGTYPE_ALERT, "保存成功", kOk, "保存成功", kSys,
                                 kOk, false, true, false, false},
                      DialogCase{"AlertNoShow",
                                 JSDIALOGTYPE_ALERT,
                                 "QVXX_noShow_hidden",
                                 kOk,
                                 "",
                                 "",
                                 {},
                                 false,
                                 true,
                                 false,
                                 false},
                      DialogCase{"AlertPrefixLowerCase", JSDIALOGTYPE_ALERT, "qvxx_noshow_x", kOk,
                                 "qvxx_noshow_x", kSys, kOk, false, true, false, false},
                      DialogCase{"AlertPrefixNotFirst", JSDIALOGTYPE_ALERT, " QVXX_noShow_x", kOk,
                                 " QVXX_noShow_x", kSys, kOk, false, true, false, false},
                      DialogCase{"ConfirmYes", JSDIALOGTYPE_CONFIRM, "确定提交？", kYes,
                                 "确定提交？", kSys, kYesNo, true, false, true, true},
                      DialogCase{"ConfirmNo", JSDIALOGTYPE_CONFIRM, "确定提交？", kNo, "确定提交？",
                                 kSys, kYesNo, true, false, true, false},
                      DialogCase{"ConfirmNoShow",
                                 JSDIALOGTYPE_CONFIRM,
                                 "QVXX_noShow_继续吗",
                                 kNo,
                                 "",
                                 "",
                                 {},
                                 true,
                                 false,
                                 true,
                                 true},
                      DialogCase{"Prompt", JSDIALOGTYPE_PROMPT, "姓名", kOk, kPromptText,
                                 "系统提示", kOk, false, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowFixture, HiddenConfirmIsLoggedAtInfoLevel) {
    Open();
    Engine().JSDialog(OwnId(), JSDIALOGTYPE_CONFIRM, QStringLiteral("QVXX_noShow_静默确认一二三"));
    const QString all = LogText();
    EXPECT_TRUE(all.contains(QStringLiteral("info: \r\n静默确认一二三"))) << all.toStdString();
}

TEST_F(WindowFixture, PopupDialogsAreOwnedByTheMainWindow) {
    Open();
    const int popup = Engine().OpenPopup(OwnId(), QString());
    Settle();
    Engine().JSDialog(popup, JSDIALOGTYPE_ALERT, QStringLiteral("来自弹出窗口"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, window.data());
}

TEST_F(WindowFixture, DialogsKeepTheEngineHandlingUntilTheWindowIsShown) {
    Open(/*show=*/false);
    EXPECT_TRUE(Engine().JSDialog(OwnId(), JSDIALOGTYPE_ALERT, QStringLiteral("x")).engineDialog());
    EXPECT_TRUE(boxes.empty());
}

// The leave-page question is not a page dialog: no box of the window, no no-show rule, and the
// engine asks in its own way.
TEST_F(WindowFixture, LeavePageQuestionStaysWithTheEngine) {
    Open();
    const QString before = LogText();
    for (const QString& message :
         {QStringLiteral("Are you sure you want to leave this page? Changes that you made may not "
                         "be saved."),
          QStringLiteral("QVXX_noShow_leave")}) {
        const scripted::JSDialogAnswer got = Engine().BeforeUnload(OwnId(), message);
        EXPECT_TRUE(got.engineDialog());
        EXPECT_FALSE(got.continued);
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(LogText().mid(before.size()).contains(QLatin1String("info:")));
}

}  // namespace
}  // namespace corvane::browser
