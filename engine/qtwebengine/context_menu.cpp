#include "context_menu.h"

#include <QAction>
#include <QCoreApplication>
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

// Runs the entry's default action, unless the client handles the command itself.
template <class DefaultAction>
void RunCommand(const QPointer<Browser>& browser, int command_id, DefaultAction&& default_action) {
    if (!browser) return;
    CefClient* client = browser->client();
    CefContextMenuHandler* handler = client ? client->GetContextMenuHandler() : nullptr;
    Browser* asking = browser;
    const bool handled =
        handler && CallClient("OnContextMenuCommand", false, [&] {
            return handler->OnContextMenuCommand(asking, asking->GetMainFrame(), command_id);
        });
    if (!handled && browser) default_action(*browser);
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
                             RunCommand(guarded_browser, command_id, [&](Browser&) {
                                 if (guarded_action) guarded_action->trigger();
                             });
                         });
    }
    // Qt WebEngine's menu has no print entry, and Chromium's PDF viewer offers no print button
    // inside Qt WebEngine 6.4: the engine's own entry prints the page, a shown PDF included.
    if (!menu->isEmpty()) menu->addSeparator();
    QAction* print = menu->addAction(QCoreApplication::translate("QPrintDialog", "Print"));
    QObject::connect(print, &QAction::triggered, menu, [guarded_browser] {
        RunCommand(guarded_browser, MENU_ID_PRINT,
                   [](Browser& target) { target.PagePrintRequested(); });
    });
    menu->popup(global_pos);
}

}  // namespace corvane::engine
