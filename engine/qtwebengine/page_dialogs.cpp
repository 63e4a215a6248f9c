// The page's JavaScript dialogs: the client answers, suppresses, or leaves them to the engine's own
// dialogs (Qt's message box and input dialog).
#include <QCoreApplication>
#include <QMessageBox>
#include <QWebEngineProfile>

#include "browser.h"
#include "client_call.h"
#include "page.h"

namespace corvane::engine {
namespace {

// The answer a client gives during OnJSDialog; without one the dialog counts as dismissed.
class DialogCallback final : public CefJSDialogCallback {
  public:
    void Continue(bool success, const QString& user_input) override {
        answered_ = true;
        success_ = success;
        user_input_ = user_input;
    }
    bool answered() const { return answered_; }
    bool success() const { return success_; }
    const QString& user_input() const { return user_input_; }

  private:
    bool answered_ = false;
    bool success_ = false;
    QString user_input_;
};

// Qt WebEngine 6.4 hands the leave-page question (beforeunload) to javaScriptConfirm with its own
// fixed text, translated in the context "QWebEnginePage"; pages cannot choose that text.
constexpr char kLeavePageQuestion[] =
    "Are you sure you want to leave this page? Changes that you made may not be saved.";

bool IsLeavePageQuestion(const QString& message) {
    return message == QLatin1String(kLeavePageQuestion) ||
           message == QCoreApplication::translate("QWebEnginePage", kLeavePageQuestion);
}

}  // namespace

bool BrowserPage::AskLeavePageInOwnBox(const QString& message) {
    // Qt's own confirm box is captioned with a fixed English "Javascript Confirm - <address>";
    // the question is asked under the page's title, the question and the buttons in Qt's
    // translation.
    QWidget* owner =
        browser_ && browser_->GetWindowHandle() ? browser_->GetWindowHandle()->window() : nullptr;
    const QString caption = title().trimmed().isEmpty() ? url().host() : title();
    QMessageBox box(QMessageBox::Question, caption, message, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

BrowserPage::DialogAnswer BrowserPage::AskBeforeUnload(const QString& message) {
    DialogAnswer answer;
    CefClient* client = browser_ ? browser_->client() : nullptr;
    CefJSDialogHandler* handler = client ? client->GetJSDialogHandler() : nullptr;
    if (!handler) return answer;
    DialogCallback callback;
    Browser* browser = browser_;
    const bool handled = CallClient("OnBeforeUnloadDialog", false, [&] {
        return handler->OnBeforeUnloadDialog(browser, message, false, &callback);
    });
    if (handled) {
        answer.kind = DialogAnswer::kAnswered;
        answer.success = callback.answered() && callback.success();
    }
    return answer;
}

BrowserPage::DialogAnswer BrowserPage::AskJSDialog(cef_jsdialog_type_t type, const QUrl& origin,
                                                   const QString& message,
                                                   const QString& default_prompt) {
    DialogAnswer answer;
    CefClient* client = browser_ ? browser_->client() : nullptr;
    CefJSDialogHandler* handler = client ? client->GetJSDialogHandler() : nullptr;
    if (!handler) return answer;
    DialogCallback callback;
    bool suppress = false;
    Browser* browser = browser_;
    const QString accept_lang = profile()->httpAcceptLanguage();
    const bool handled = CallClient("OnJSDialog", false, [&] {
        return handler->OnJSDialog(browser, origin.toString(QUrl::FullyEncoded), accept_lang, type,
                                   message, default_prompt, &callback, suppress);
    });
    if (handled) {
        answer.kind = DialogAnswer::kAnswered;
        answer.success = callback.answered() && callback.success();
        answer.user_input = callback.user_input();
    } else if (suppress) {
        answer.kind = DialogAnswer::kSuppressed;
    }
    return answer;
}

void BrowserPage::javaScriptAlert(const QUrl& origin, const QString& message) {
    if (AskJSDialog(JSDIALOGTYPE_ALERT, origin, message, {}).kind == DialogAnswer::kEngineDefault)
        QWebEnginePage::javaScriptAlert(origin, message);
}

bool BrowserPage::javaScriptConfirm(const QUrl& origin, const QString& message) {
    const bool leave_page = IsLeavePageQuestion(message);
    const DialogAnswer answer = leave_page ? AskBeforeUnload(message)
                                           : AskJSDialog(JSDIALOGTYPE_CONFIRM, origin, message, {});
    if (answer.kind == DialogAnswer::kEngineDefault) {
        if (leave_page) return AskLeavePageInOwnBox(message);
        return QWebEnginePage::javaScriptConfirm(origin, message);
    }
    return answer.success;
}

bool BrowserPage::javaScriptPrompt(const QUrl& origin, const QString& message,
                                   const QString& default_value, QString* result) {
    const DialogAnswer answer = AskJSDialog(JSDIALOGTYPE_PROMPT, origin, message, default_value);
    if (answer.kind == DialogAnswer::kEngineDefault)
        return QWebEnginePage::javaScriptPrompt(origin, message, default_value, result);
    if (answer.success && result) *result = answer.user_input;
    return answer.success;
}

}  // namespace corvane::engine
