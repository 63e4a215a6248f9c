// The page's JavaScript dialogs as the window's own message boxes: alert and confirm in the
// program's boxes, prompt refused with a box of its own before the engine's prompt follows.
//
// UI thread only; owned by the main window.
#pragma once

#include <QString>

#include "browser/WindowInterface.h"
#include "cef_engine.h"

namespace corvane::browser {

class PageDialogs {
  public:
    explicit PageDialogs(WindowInterface& window) : window_(window) {}

    // Answers one dialog of the own page or of a pop-up, as the engine's JS dialog handler does:
    // true when handled (the answer given through callback), false with suppress_message telling
    // whether the engine shows nothing more.
    bool Show(cef_jsdialog_type_t dialog_type, const QString& message_text,
              CefJSDialogCallback& callback, bool& suppress_message);

  private:
    WindowInterface& window_;
};

}  // namespace corvane::browser
