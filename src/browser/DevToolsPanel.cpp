#include "browser/DevToolsPanel.h"

#include <QChildEvent>

namespace corvane::browser {

DevToolsPanel::DevToolsPanel(QWidget* parent) : QWidget(parent) {}

QWidget* DevToolsPanel::FirstChildWindow() const {
    for (QObject* child : children()) {
        if (child->isWidgetType()) return static_cast<QWidget*>(child);
    }
    return nullptr;
}

void DevToolsPanel::CoverWithFirstChild() {
    if (QWidget* w = FirstChildWindow()) w->setGeometry(rect());
}

void DevToolsPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CoverWithFirstChild();
}

void DevToolsPanel::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    // A window the engine puts in while the panel was being laid out starts covering it too.
    if (event->type() == QEvent::ChildPolished) CoverWithFirstChild();
}

}  // namespace corvane::browser
