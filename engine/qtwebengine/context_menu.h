// The page's context menu: the engine's standard menu, asked of the client first. UI thread only.
#pragma once

#include <QPoint>

class QWebEngineView;

namespace corvane::engine {

class Browser;

// Calls OnBeforeContextMenu, then pops up the standard menu for the last context-menu request of
// the view. Choosing an entry calls OnContextMenuCommand with the entry's command id (the value of
// its QWebEnginePage::WebAction, -1 for an entry that is not a page action); when the client does
// not handle it, the entry's default action runs.
void ShowContextMenu(Browser& browser, QWebEngineView& view, const QPoint& global_pos);

}  // namespace corvane::engine
