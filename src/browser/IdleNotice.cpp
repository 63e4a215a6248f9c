#include "browser/IdleNotice.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/AppGlob.h"

namespace corvane::browser {
namespace {

// Large enough to read from a step back and to hit with a finger.
constexpr int kTextPixels = 34;
constexpr int kButtonPixels = 40;
constexpr int kButtonHeight = 110;
constexpr QSize kSize(860, 480);

}  // namespace

IdleNotice::IdleNotice()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("IdleNotice"));
    setWindowTitle(ProductTitle());
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "#IdleNotice { background: #fff8e1; border: 4px solid #c62828; }"
        "QLabel { color: #212121; }"
        "QPushButton { background: #1565c0; color: white; border-radius: 12px; padding: 12px; }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(48, 40, 48, 40);
    column->setSpacing(32);

    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignCenter);
    QFont textFont(QStringLiteral("Noto Sans CJK SC"));
    textFont.setPixelSize(kTextPixels);
    text_->setFont(textFont);
    column->addWidget(text_, 1);

    continue_ = new QPushButton(QStringLiteral("继续使用"), this);
    QFont buttonFont(textFont);
    buttonFont.setPixelSize(kButtonPixels);
    buttonFont.setBold(true);
    continue_->setFont(buttonFont);
    continue_->setMinimumHeight(kButtonHeight);
    column->addWidget(continue_);
    // The press that reaches the button has already restarted the idle time; this only hides.
    connect(continue_, &QPushButton::clicked, this, &QWidget::hide);
    resize(kSize);
}

QString IdleNotice::TextFor(int seconds) {
    return QStringLiteral(
               "您已较长时间没有操作。\n为保护您的涉税信息，系统将在 %1 秒后"
               "清除本次办理的全部信息并返回首页。\n如需继续办理，请点击下方按钮。")
        .arg(seconds);
}

void IdleNotice::SetSecondsLeft(int seconds) { text_->setText(TextFor(seconds)); }

void IdleNotice::ShowOver(QWidget* over, int seconds) {
    SetSecondsLeft(seconds);
    QRect area = over ? over->window()->frameGeometry() : QRect();
    if (area.isEmpty()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) area = screen->geometry();
    }
    QRect box(QPoint(), size().boundedTo(area.size()));
    box.moveCenter(area.center());
    setGeometry(box);
    show();
    raise();
    activateWindow();
}

}  // namespace corvane::browser
