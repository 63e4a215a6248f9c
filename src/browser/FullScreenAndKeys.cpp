// Full screen and the window's keys: F11, F12 and (through N1) Ctrl+F12.
#include <QApplication>
#include <QKeyEvent>

#include "browser/Uchrome.h"

namespace corvane::browser {

void TFrmChrome::actDevToolExecute() {
    // Public terminal mode without developer tools: F12 and Ctrl+F12 do nothing.
    if (settings_.Kiosk.DevTools) devTools_->Toggle();
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
            if (!settings_.Kiosk.FullScreen) ToggleFullScreen();
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

}  // namespace corvane::browser
