#include "browser_view.h"

#include <QCloseEvent>
#include <QContextMenuEvent>

#include "browser.h"
#include "context_menu.h"

namespace corvane::engine {

BrowserView::BrowserView(Browser& browser, QWidget* parent)
    : QWebEngineView(parent), browser_(&browser) {}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
    if (!browser_) return;
    ShowContextMenu(*browser_, *this, event->globalPos());
}

void BrowserView::closeEvent(QCloseEvent* event) {
    // The user closed a pop-up's window: the page's unload handlers run first, then the browser
    // closes (or stays, if the page keeps it).
    if (browser_ && isWindow()) {
        event->ignore();
        browser_->CloseBrowser(false);
        return;
    }
    QWebEngineView::closeEvent(event);
}

}  // namespace corvane::engine
