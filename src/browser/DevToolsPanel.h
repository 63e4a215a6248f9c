// The developer tools panel: a plain child widget at the bottom of the main window whose first
// child (the engine's developer tools window) is kept covering it.
//
// Thread: UI thread only. The hosted window belongs to the engine.
#pragma once

#include <QWidget>

namespace corvane::browser {

class DevToolsPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kInitialHeight = 200;

    explicit DevToolsPanel(QWidget* parent);

    // The hosted developer tools window, or null.
    QWidget* FirstChildWindow() const;

    QSize sizeHint() const override { return {0, kInitialHeight}; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

  private:
    void CoverWithFirstChild();
};

}  // namespace corvane::browser
