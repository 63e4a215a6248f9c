#include "context_menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWebEngineView>

#include "browser.h"
#include "client_call.h"

namespace corvane::engine {
namespace {

int CommandIdOf(const QWebEngineView& view, const QAction* action) {
    for (int i = 0; i < QWebEnginePage::WebActionCount; ++i) {
        if (view.pageAction(static_cast<QWebEnginePage::WebAction>(i)) == action) return i;
    }
    return -1;
}

void RunCommand(const QPointer<Browser>& browser, const QPointer<QAction>& standard,
                int command_id) {
    if (!browser || !standard) return;
    CefClient* client = browser->client();
    CefContextMenuHandler* handler = client ? client->GetContextMenuHandler() : nullptr;
    Browser* asking = browser;
    const bool handled =
        handler && CallClient("OnContextMenuCommand", false, [&] {
            return handler->OnContextMenuCommand(asking, asking->GetMainFrame(), command_id);
        });
    if (handled) return;
    if (standard) standard->trigger();
}

}  // namespace

void ShowContextMenu(Browser& browser, QWebEngineView& view, const QPoint& global_pos) {
    if (CefClient* client = browser.client()) {
        if (CefContextMenuHandler* handler = client->GetContextMenuHandler()) {
            CallClient("OnBeforeContextMenu", false, [&] {
                handler->OnBeforeContextMenu(&browser, browser.GetMainFrame());
                return true;
            });
        }
    }
    QMenu* standard = view.createStandardContextMenu();
    if (!standard) return;

    // The standard entries are the page's own actions; the menu shown carries stand-ins that ask
    // the client before they pass the choice on.
    auto* menu = new QMenu(&view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    standard->setAttribute(Qt::WA_DeleteOnClose, false);
    standard->setParent(menu, standard->windowFlags());  // goes with the menu shown
    const QPointer<Browser> guarded_browser(&browser);
    for (QAction* action : standard->actions()) {
        if (action->isSeparator()) {
            menu->addSeparator();
            continue;
        }
        QAction* entry = menu->addAction(action->icon(), action->text());
        entry->setEnabled(action->isEnabled());
        entry->setCheckable(action->isCheckable());
        entry->setChecked(action->isChecked());
        entry->setData(action->data());
        const int command_id = CommandIdOf(view, action);
        const QPointer<QAction> guarded_action(action);
        QObject::connect(entry, &QAction::triggered, menu,
                         [guarded_browser, guarded_action, command_id] {
                             RunCommand(guarded_browser, guarded_action, command_id);
                         });
    }
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(global_pos);
}

}  // namespace corvane::engine
