// The page's JavaScript dialogs as the window's own message boxes, and the window codes that show
// a message or run a script.
#include <exception>

#include "browser/Uchrome.h"
#include "log/Diagnostic.h"

namespace corvane::browser {

namespace {

const QString kDialogCaption = QStringLiteral("系统 提示");
const QString kPromptCaption = QStringLiteral("系统提示");
// A page keeps an alert or a confirm from being shown by starting its text with this (exact case).
const QString kNoShowPrefix = QStringLiteral("QVXX_noShow_");

}  // namespace

bool TFrmChrome::Chromium1Jsdialog(CefBrowser* /*browser*/, const QString& /*origin_url*/,
                                   const QString& /*accept_lang*/, cef_jsdialog_type_t dialog_type,
                                   const QString& message_text,
                                   const QString& /*default_prompt_text*/,
                                   CefJSDialogCallback* callback, bool& suppress_message) {
    const bool noShow = message_text.startsWith(kNoShowPrefix, Qt::CaseSensitive);
    // Boxes of pop-up browsers are owned by this window too.
    MessageBoxRequest box;
    box.owner = this;
    box.text = message_text;
    box.caption = kDialogCaption;
    switch (dialog_type) {
        case JSDIALOGTYPE_ALERT:
            if (!noShow) ShowMessageBox(box);
            // Dropped: the engine shows nothing more and the page's alert() returns now.
            suppress_message = true;
            return false;
        case JSDIALOGTYPE_CONFIRM: {
            bool yes = true;
            if (noShow) {
                ReportDiagnostic(QStringLiteral("info^") + message_text.mid(kNoShowPrefix.size()));
            } else {
                box.buttons = QMessageBox::Yes | QMessageBox::No;
                box.icon = QMessageBox::Warning;
                box.topmost = true;
                yes = ShowMessageBox(box) == QMessageBox::Yes;
            }
            callback->Continue(yes, QString());
            suppress_message = false;
            return true;
        }
        case JSDIALOGTYPE_PROMPT:
            box.text = QStringLiteral("系统不支持prompt形式的提示框");
            box.caption = kPromptCaption;
            ShowMessageBox(box);
            // Not handled and not suppressed: the engine's own prompt dialog follows.
            return false;
    }
    suppress_message = false;
    return false;
}

void TFrmChrome::ShowShellMessage(const QString& text) {
    MessageBoxRequest box;
    box.owner = this;
    box.text = text;
    box.caption = ProductTitle();
    ShowMessageBox(box);
}

void TFrmChrome::RunScriptInMainFrame(const QString& script) {
    try {
        OwnBrowser().GetMainFrame()->ExecuteJavaScript(script, QStringLiteral("about:blank"), 0);
    } catch (const std::exception& e) {
        AppMessageBox(this, QStringLiteral("error:") + QString::fromUtf8(e.what()));
    }
}

}  // namespace corvane::browser
