#include "browser/IdleWatch.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace corvane::browser {
namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::MouseMove:
            return true;
        default:
            return false;
    }
}

}  // namespace

IdleWatch::IdleWatch(int idleSeconds, int noticeSeconds, QWidget* over, std::function<void()> reset,
                     QObject* parent)
    : QObject(parent), noticeSeconds_(noticeSeconds), over_(over), reset_(std::move(reset)) {
    idle_.setSingleShot(true);
    idle_.setInterval(idleSeconds * 1000);
    connect(&idle_, &QTimer::timeout, this, &IdleWatch::Idle);
    tick_.setInterval(1000);
    connect(&tick_, &QTimer::timeout, this, &IdleWatch::Tick);
    QCoreApplication::instance()->installEventFilter(this);
    idle_.start();
}

IdleWatch::~IdleWatch() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void IdleWatch::Restart() {
    tick_.stop();
    if (notice_) notice_->hide();
    idle_.start();
}

bool IdleWatch::eventFilter(QObject* watched, QEvent* event) {
    if (IsInput(event->type())) {
        if (event->type() == QEvent::MouseMove) {
            // A window appearing under a pointer that stays put is no taxpayer at the terminal.
            const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (at == lastPointer_) return QObject::eventFilter(watched, event);
            lastPointer_ = at;
        }
        Restart();
    }
    return QObject::eventFilter(watched, event);
}

void IdleWatch::Idle() {
    left_ = noticeSeconds_;
    if (left_ <= 0) {
        Tick();
        return;
    }
    if (!notice_) notice_ = std::make_unique<IdleNotice>();
    notice_->ShowOver(over_, left_);
    tick_.start();
}

void IdleWatch::Tick() {
    if (--left_ > 0) {
        notice_->SetSecondsLeft(left_);
        return;
    }
    tick_.stop();
    if (notice_) notice_->hide();
    if (reset_) reset_();
    idle_.start();
}

}  // namespace corvane::browser
