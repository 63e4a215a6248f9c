#include "browser/DevToolsDock.h"

namespace corvane::browser {

DevToolsDock::DevToolsDock(WindowInterface& window, QSplitter& split, DevToolsPanel& panel)
    : window_(window), split_(split), panel_(panel) {}

void DevToolsDock::Toggle() {
    if (shown_) {
        CloseDevTools(window_.OwnBrowserOrNull());
        Handle().hide();
        panel_.hide();
    } else {
        panel_.show();
        Handle().show();
        if (!sized_) {
            // The first time the panel opens at its own height; afterwards it keeps the height
            // the splitter gave it.
            sized_ = true;
            const int total = split_.height() - split_.handleWidth();
            split_.setSizes(
                {qMax(0, total - DevToolsPanel::kInitialHeight), DevToolsPanel::kInitialHeight});
        }
        ShowDevTools(window_.OwnBrowserOrNull(), nullptr);
    }
    shown_ = !shown_;
}

void DevToolsDock::CloseIfShown() {
    if (shown_) CloseDevTools(window_.OwnBrowserOrNull());
}

void DevToolsDock::ShowDevTools(CefBrowser* browser, const QPoint* inspect_element_at) {
    if (!browser) return;
    CefWindowInfo info;
    info.parent = &panel_;
    info.rect = panel_.rect();
    info.window_name = QStringLiteral("DevTools");
    // No client: the developer tools get the engine's default handling for everything.
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), inspect_element_at);
}

void DevToolsDock::CloseDevTools(CefBrowser* browser) {
    if (!browser) return;
    // Out of the panel first, so that hiding or destroying the panel never takes the engine's
    // window with it while the engine closes it.
    if (QWidget* tools = panel_.FirstChildWindow()) tools->setParent(nullptr);
    browser->GetHost()->CloseDevTools();
}

}  // namespace corvane::browser
