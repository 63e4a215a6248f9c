// A plain main window with one browser on the start page, used by the entry until the browser
// subsystem is part of the build. UI thread; frees itself when closed.
#pragma once

#include <QMainWindow>

#include "cef_engine.h"

namespace corvane {

class InterimMainWindow : public QMainWindow {
  public:
    InterimMainWindow();
    ~InterimMainWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Client;
    CefRefPtr<Client> client_;
    CefBrowser* browser_ = nullptr;
};

}  // namespace corvane
