#include "browser/PageDialogs.h"

#include "log/Diagnostic.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

namespace {

const QString kDialogCaption = QStringLiteral("系统 提示");
const QString kPromptCaption = QStringLiteral("系统提示");
// A page keeps an alert or a confirm from being shown by starting its text with this (exact case).
const QString kNoShowPrefix = QStringLiteral("QVXX_noShow_");

}  // namespace

bool PageDialogs::Show(cef_jsdialog_type_t dialog_type, const QString& message_text,
                       CefJSDialogCallback& callback, bool& suppress_message) {
    const bool noShow = message_text.startsWith(kNoShowPrefix, Qt::CaseSensitive);
    // Boxes of pop-up browsers are owned by the main window too.
    MessageBoxRequest box;
    box.owner = window_.BoxOwner();
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
            callback.Continue(yes, QString());
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

}  // namespace corvane::browser
