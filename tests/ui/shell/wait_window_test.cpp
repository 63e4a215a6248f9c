// The wait window and the application message box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "shell/AppGlob.h"
#include "shell/FormWait.h"
#include "shell/SearchAnimation.h"
#include "shell_ui_test.h"

using namespace corvane;

namespace {

class WaitWindow : public ::testing::Test {
  protected:
    void SetUp() override { DestroyWaitForm(); }
    void TearDown() override {
        SetMessageBoxResponder(nullptr);
        DestroyWaitForm();
    }
};

// Catches a wait window created lazily only when a text arrives, or shown for an empty text.
TEST_F(WaitWindow, EmptyTextFirstCreatesTheWindowHidden) {
    ASSERT_EQ(WaitForm(), nullptr);
    ShowWait(QString());
    ASSERT_NE(WaitForm(), nullptr);
    EXPECT_FALSE(WaitForm()->isVisible());
    EXPECT_FALSE(WaitForm()->IsAnimating());
}

// Catches a second text restarting the animation, or a text that leaves the window hidden.
TEST_F(WaitWindow, SecondTextKeepsWindowShownAndAnimationRunning) {
    ShowWait(QStringLiteral("正在检测运行环境..."));
    TFrmWait_show* form = WaitForm();
    ASSERT_NE(form, nullptr);
    ShowWait(QStringLiteral("正在读取配置信息..."));
    EXPECT_EQ(WaitForm(), form) << "there is one wait window";
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Msg(), QStringLiteral("正在读取配置信息..."));
    EXPECT_TRUE(form->IsAnimating());
    EXPECT_EQ(form->AnimationStarts(), 1);
}

// Catches an empty text that leaves the window up or the animation running.
TEST_F(WaitWindow, EmptyTextHidesAndStopsAndTextBringsItBack) {
    ShowWait(QStringLiteral("a"));
    ShowWait(QString());
    TFrmWait_show* form = WaitForm();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->IsAnimating());
    EXPECT_EQ(form->Msg(), QString());
    ShowWait(QStringLiteral("b"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->IsAnimating());
    EXPECT_EQ(form->AnimationStarts(), 2);
}

// Catches a layout that drifts from the window's look.
TEST_F(WaitWindow, LooksAsDesigned) {
    ShowWait(QStringLiteral("正在读取配置信息..."));
    TFrmWait_show* form = WaitForm();
    EXPECT_EQ(form->size(), QSize(406, 48));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("WaitForm"));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(240, 202, 166));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((form->frameGeometry().center() - screen.center()).manhattanLength(), 2);

    auto* bevel = form->findChild<QFrame*>(QStringLiteral("Bevel1"));
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(bevel->geometry(), QRect(0, 0, 406, 48));
    EXPECT_NE(bevel->frameShape(), QFrame::NoFrame);

    auto* animation = form->findChild<SearchAnimation*>(QStringLiteral("Animate1"));
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->geometry(), QRect(16, 7, 33, 33));

    auto* label = form->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), QRect(56, 13, 344, 21));
    EXPECT_EQ(label->font().family(), QStringLiteral("宋体"));
    EXPECT_EQ(label->font().pixelSize(), 19);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_TRUE(label->wordWrap());
    EXPECT_FALSE(label->autoFillBackground());
}

// Catches an animation that stops after one pass instead of looping.
TEST_F(WaitWindow, AnimationLoopsThroughItsFrames) {
    ShowWait(QStringLiteral("x"));
    auto* animation = WaitForm()->findChild<SearchAnimation*>();
    ASSERT_NE(animation, nullptr);
    bool sawLast = false;
    const bool wrapped = shelltest::WaitFor([&] {
        if (animation->Frame() == SearchAnimation::kFrames - 1) sawLast = true;
        return sawLast && animation->Frame() == 1;
    });
    EXPECT_TRUE(wrapped) << "frame " << animation->Frame();
}

// Catches a box shown over the wait window, or a wait window that comes back after the box.
TEST_F(WaitWindow, AppMessageBoxHidesWaitWindowFirst) {
    ShowWait(QStringLiteral("正在读取配置信息..."));
    bool waitVisibleDuringBox = true;
    MessageBoxRequest seen;
    SetMessageBoxResponder([&](const MessageBoxRequest& r) {
        waitVisibleDuringBox = WaitForm()->isVisible();
        seen = r;
        return QMessageBox::Ok;
    });
    AppMessageBox(nullptr, QStringLiteral("缺少系统运行环境！"));
    EXPECT_FALSE(waitVisibleDuringBox);
    EXPECT_EQ(seen.caption, QStringLiteral("Corvane"));
    EXPECT_EQ(seen.text, QStringLiteral("缺少系统运行环境！"));
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    shelltest::RunEventLoopFor(50);
    EXPECT_FALSE(WaitForm()->isVisible());
}

}  // namespace
