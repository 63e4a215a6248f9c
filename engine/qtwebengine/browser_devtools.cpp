// The developer tools of a browser: a browser of their own, in a child window of the parent the
// shell names, showing the inspected page's tools.
#include "browser.h"
#include "browser_view.h"
#include "engine_context.h"
#include "page.h"

namespace corvane::engine {

void Browser::ShowDevTools(const CefWindowInfo& window_info, CefClient* client,
                           const CefBrowserSettings& /*settings*/,
                           const QPoint* /*inspect_element_at*/) {
    // Qt WebEngine inspects an element only through the page's own context menu; the tools open
    // on the document as a whole.
    if (finished_ || !page_) return;
    if (devtools_) {
        if (QWidget* window = devtools_->GetWindowHandle()) {
            window->show();
            window->raise();
        }
        return;
    }
    Browser* tools = context_.CreateBrowser(BrowserKind::kDevTools, window_info.parent,
                                            window_info.rect, client, window_info.window_name);
    tools->inspected_ = this;
    devtools_ = tools;
    page_->setDevToolsPage(tools->page());
}

void Browser::CloseDevTools() {
    if (!devtools_) return;
    Browser* tools = devtools_;
    devtools_ = nullptr;
    if (page_) page_->setDevToolsPage(nullptr);
    tools->CloseBrowser(true);
}

}  // namespace corvane::engine
