// The page of a browser: answers Qt WebEngine's questions (navigation, certificate errors, JS
// dialogs) by asking the browser's client at once, and hands its other events to the browser.
// UI thread only; a child of the browser's view.
#pragma once

#include <QPointer>
#include <QWebEnginePage>

#include "cef_engine.h"

class QWebEngineCertificateError;

namespace corvane::engine {

class Browser;

class BrowserPage final : public QWebEnginePage {
    Q_OBJECT
  public:
    BrowserPage(QWebEngineProfile* profile, Browser& browser, QObject* parent);

    // Null once the browser has closed.
    Browser* browser() const { return browser_; }
    // The page stays quiet from now on (its browser has closed).
    void Detach() { browser_ = nullptr; }

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& default_value,
                          QString* result) override;

  private:
    void OnCertificateError(const QWebEngineCertificateError& error);

    // What the client made of a JS dialog.
    struct DialogAnswer {
        enum Kind { kEngineDefault, kSuppressed, kAnswered } kind = kEngineDefault;
        bool success = false;
        QString user_input;
    };
    DialogAnswer AskJSDialog(cef_jsdialog_type_t type, const QUrl& origin, const QString& message,
                             const QString& default_prompt);
    DialogAnswer AskBeforeUnload(const QString& message);
    // The engine's own leave-page question, when the client leaves it to the engine.
    bool AskLeavePageInOwnBox(const QString& message);

    QPointer<Browser> browser_;
};

}  // namespace corvane::engine
