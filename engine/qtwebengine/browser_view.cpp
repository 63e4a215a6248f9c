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
    if (browser_ && isWindow()) {
        if (event->spontaneous()) {
            // The user closed a pop-up's window: the page's unload handlers run first, then the
            // browser closes (or stays, if the page keeps it).
            event->ignore();
            browser_->CloseBrowser(false);
            return;
        }
        // Closed by the program (the application quitting closes every window): no page may
        // hold that up.
        browser_->CloseBrowser(true);
    }
    QWebEngineView::closeEvent(event);
}

}  // namespace corvane::engine
