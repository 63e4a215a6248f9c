// The developer tools panel, full screen, the window's keys and the page's context menu.
#include <QApplication>
#include <QKeyEvent>

#include "browser/Uchrome.h"

namespace corvane::browser {

void TFrmChrome::actDevToolExecute() {
    // Public terminal mode without developer tools: F12 and Ctrl+F12 do nothing.
    if (!kiosk_.DevTools) return;
    if (devToolsShown_) {
        CloseDevTools(Chromium1->Browser());
        Splitter->hide();
        DevTools->hide();
    } else {
        DevTools->show();
        Splitter->show();
        if (!devToolsSized_) {
            // The first time the panel opens at its own height; afterwards it keeps the height
            // the splitter gave it.
            devToolsSized_ = true;
            const int total = clientSplit_->height() - clientSplit_->handleWidth();
            clientSplit_->setSizes(
                {qMax(0, total - DevToolsPanel::kInitialHeight), DevToolsPanel::kInitialHeight});
        }
        ShowDevTools(Chromium1->Browser(), nullptr);
    }
    // The flag follows the presses, also when there is no browser to show tools for.
    devToolsShown_ = !devToolsShown_;
}

void TFrmChrome::ShowDevTools(CefBrowser* browser, const QPoint* inspect_element_at) {
    if (!browser) return;
    CefWindowInfo info;
    info.parent = DevTools;
    info.rect = DevTools->rect();
    info.window_name = QStringLiteral("DevTools");
    // No client: the developer tools get the engine's default handling for everything.
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), inspect_element_at);
}

void TFrmChrome::CloseDevTools(CefBrowser* browser) {
    if (!browser) return;
    // Out of the panel first, so that hiding or destroying the panel never takes the engine's
    // window with it while the engine closes it.
    if (QWidget* tools = DevTools->FirstChildWindow()) tools->setParent(nullptr);
    browser->GetHost()->CloseDevTools();
}

void TFrmChrome::ToggleFullScreen() {
    if (fullScreen_) {
        // Back to the bordered window filling the work area (not the restored size).
        setWindowState((windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
    } else {
        // Borderless, covering the whole screen; the window and its browser stay the same.
        setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
    }
    update();
    raise();
    activateWindow();
    fullScreen_ = !fullScreen_;
}

void TFrmChrome::keyPressEvent(QKeyEvent* event) {
    // Keys the page (or the developer tools) did not consume come up here through the engine's
    // window; they are the engine's, not the window's.
    QWidget* focus = QApplication::focusWidget();
    if (focus && (Chromium1->isAncestorOf(focus) || DevTools->isAncestorOf(focus))) {
        event->ignore();
        return;
    }
    // Shift, Ctrl and Alt are not looked at: Shift+F11 acts like F11.
    switch (event->key()) {
        case Qt::Key_F11:
            // A public terminal that starts full screen stays so.
            if (!kiosk_.FullScreen) ToggleFullScreen();
            break;
        case Qt::Key_F12:
            actDevToolExecute();
            break;
        default:
            QMainWindow::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TFrmChrome::Chromium1BeforeContextMenu(CefBrowser* /*browser*/, CefFrame* /*frame*/) {
    // The engine's default menu, unchanged.
}

bool TFrmChrome::Chromium1ContextMenuCommand(CefBrowser* /*browser*/, CefFrame* /*frame*/,
                                             int /*command_id*/) {
    return false;  // the engine carries out its default action
}

}  // namespace corvane::browser
