// The user interface language: Qt's own texts in Chinese whatever the machine's locale, from Qt's
// translations on the system.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>

#include "shell/UiLanguage.h"

namespace {

TEST(UiLanguage, QtsOwnTextsSpeakChinese) {
    corvane::InstallUiLanguage();
    EXPECT_EQ(QLocale().name(), QStringLiteral("zh_CN"));
    EXPECT_EQ(corvane::EngineLocale(), QStringLiteral("zh-CN"));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes |
                           QMessageBox::No);
    const struct {
        QMessageBox::StandardButton button;
        const char16_t* word;
    } buttons[] = {{QMessageBox::Ok, u"确定"},
                   {QMessageBox::Cancel, u"取消"},
                   {QMessageBox::Yes, u"是"},
                   {QMessageBox::No, u"否"}};
    for (const auto& b : buttons) {
        EXPECT_TRUE(box.button(b.button)->text().startsWith(QString::fromUtf16(b.word)))
            << box.button(b.button)->text().toStdString();
    }
    // Qt's own file dialog, not the desktop's, which would follow the desktop's language.
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("另存为"));
}

}  // namespace
