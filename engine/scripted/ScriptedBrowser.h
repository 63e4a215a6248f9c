// A scripted browser: the engine's browser, host and main frame over a plain widget.
// Created and deleted by the engine's state only; UI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

#include "cef_engine.h"

namespace corvane::scripted {

class ScriptedBrowser;

class ScriptedFrame final : public CefFrame {
  public:
    ScriptedFrame(ScriptedBrowser* browser, QString url, bool main)
        : browser_(browser), url_(std::move(url)), main_(main) {}

    void LoadURL(const QString& url) override;
    QString GetURL() const override { return url_; }
    bool IsMain() const override { return main_; }
    void ExecuteJavaScript(const QString& code, const QString& script_url, int start_line) override;

    void SetUrl(const QString& url) { url_ = url; }

  private:
    ScriptedBrowser* browser_;
    QString url_;
    bool main_;
};

class ScriptedRequest final : public CefRequest {
  public:
    explicit ScriptedRequest(QString url) : url_(std::move(url)) {}
    QString GetURL() const override { return url_; }

  private:
    QString url_;
};

class ScriptedBrowser final : public CefBrowser, public CefBrowserHost {
  public:
    // widget: the browser's window, owned from now on (deleted with the browser).
    ScriptedBrowser(int id, bool popup, CefRefPtr<CefClient> client, QWidget* widget);
    ~ScriptedBrowser();

    // CefBrowser
    int GetIdentifier() const override { return id_; }
    CefFrame* GetMainFrame() override { return &mainFrame_; }
    bool IsPopup() const override { return popup_; }
    bool HasDocument() const override { return hasDocument_; }
    CefBrowserHost* GetHost() override { return this; }
    void StopLoad() override;

    // CefBrowserHost
    void CloseBrowser(bool force_close) override;
    bool Print() override;
    void ShowDevTools(const CefWindowInfo& window_info, CefClient* client,
                      const CefBrowserSettings& settings,
                      const QPoint* inspect_element_at) override;
    void CloseDevTools() override;
    QWidget* GetWindowHandle() const override { return widget_; }

    CefClient* client() const { return client_.get(); }
    ScriptedFrame& mainFrame() { return mainFrame_; }
    QWidget* devTools() const { return devTools_; }
    void SetHasDocument() { hasDocument_ = true; }
    void PrintDone() { printing_ = false; }
    // Queues the navigation a LoadURL or a pop-up starts.
    void QueueNavigation(const QString& url);

  private:
    int id_;
    bool popup_;
    bool hasDocument_ = false;
    bool closing_ = false;
    bool printing_ = false;  // an accepted Print() has not ended yet
    CefRefPtr<CefClient> client_;
    ScriptedFrame mainFrame_;
    QPointer<QWidget> widget_;
    QPointer<QWidget> devTools_;
};

}  // namespace corvane::scripted
