#include "shell/SearchAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace corvane {

SearchAnimation::SearchAnimation(QWidget* parent) : QWidget(parent) {
    setFixedSize(33, 33);
    setAttribute(Qt::WA_TranslucentBackground);
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrames;
        update();
    });
}

void SearchAnimation::Start() {
    frame_ = 0;
    timer_.start();
    update();
}

void SearchAnimation::Stop() { timer_.stop(); }

void SearchAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    // The page being searched: a sheet with a folded corner and a few lines of text.
    QPainterPath sheet;
    sheet.moveTo(4, 3);
    sheet.lineTo(19, 3);
    sheet.lineTo(24, 8);
    sheet.lineTo(24, 29);
    sheet.lineTo(4, 29);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(QPointF(19, 3), QPointF(19, 8));
    p.drawLine(QPointF(19, 8), QPointF(24, 8));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 12; y <= 25; y += 4) p.drawLine(QPointF(7, y), QPointF(21, y));

    // The glass circles the page, one eighth of a turn per frame.
    const double angle = 2.0 * M_PI * frame_ / kFrames;
    const QPointF centre(15.0 + 5.5 * std::cos(angle), 15.0 + 5.5 * std::sin(angle));
    const double r = 6.0;
    const QPointF handleFrom = centre + QPointF(r * 0.72, r * 0.72);
    const QPointF handleTo = handleFrom + QPointF(6.0, 6.0);
    p.setPen(QPen(QColor(70, 50, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleFrom, handleTo);
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(170, 210, 255, 150));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.2));
    p.drawArc(QRectF(centre.x() - r + 2, centre.y() - r + 2, 2 * r - 4, 2 * r - 4), 100 * 16,
              60 * 16);
}

}  // namespace corvane
