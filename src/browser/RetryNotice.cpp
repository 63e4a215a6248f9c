#include "browser/RetryNotice.h"

#include <QEvent>
#include <QVBoxLayout>

#include "log/Diagnostic.h"
#include "shell/AppGlob.h"

namespace corvane::browser {
namespace {

constexpr int kTextPixels = 34;

}  // namespace

RetryNotice::RetryNotice(QWidget* over, int retrySeconds, std::function<void()> reload)
    : QWidget(over), over_(over), reload_(std::move(reload)) {
    setObjectName(QStringLiteral("RetryNotice"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        QStringLiteral("#RetryNotice { background: #eceff1; } QLabel { color: #263238; }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(80, 80, 80, 80);
    text_ = new QLabel(TextFor(retrySeconds), this);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(kTextPixels);
    text_->setFont(font);
    column->addWidget(text_);
    hide();

    retry_.setSingleShot(true);
    retry_.setInterval(retrySeconds * 1000);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (reload_) reload_();
    });
    over->installEventFilter(this);
}

QString RetryNotice::TextFor(int retrySeconds) {
    return QStringLiteral(
               "暂时无法连接电子税务局\n\n网络或服务器暂时不可用，系统将每 %1 秒自动重试，"
               "连接恢复后自动打开首页，无需操作。\n\n如需帮助，请拨打客服热线 %2")
        .arg(retrySeconds)
        .arg(Hotline());
}

void RetryNotice::Failed(const QString& reason) {
    if (++failures_ == 1)
        ReportDiagnostic(
            QStringLiteral("info^The start page could not be loaded (") + reason +
            QStringLiteral("); loading it again every %1 s").arg(retry_.interval() / 1000));
    Cover();
    show();
    raise();
    retry_.start();
}

void RetryNotice::Succeeded() {
    if (failures_ > 0)
        ReportDiagnostic(
            QStringLiteral("info^The page loaded again after %1 failed attempts").arg(failures_));
    failures_ = 0;
    retry_.stop();
    hide();
}

void RetryNotice::Cover() {
    if (over_) setGeometry(over_->rect());
}

bool RetryNotice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == over_ && event->type() == QEvent::Resize) Cover();
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane::browser
