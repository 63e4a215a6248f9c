// The window of a browser. Adds to QWebEngineView what the engine promises around the page: the
// context menu goes through the client first, and closing a pop-up's window closes its browser.
// UI thread only; owned by its parent widget (a pop-up's by its browser).
#pragma once

#include <QPointer>
#include <QWebEngineView>

namespace corvane::engine {

class Browser;

class BrowserView final : public QWebEngineView {
    Q_OBJECT
  public:
    BrowserView(Browser& browser, QWidget* parent);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QPointer<Browser> browser_;
};

}  // namespace corvane::engine
