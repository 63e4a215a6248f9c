// The frames handed to the shell. UI thread only.
#pragma once

#include <QPointer>

#include "cef_engine.h"

class QWebEnginePage;

namespace corvane::engine {

// The main frame of a browser; lives as long as its browser and follows its page.
class MainFrame final : public CefFrame {
  public:
    void Attach(QWebEnginePage* page);

    void LoadURL(const QString& url) override;
    QString GetURL() const override;
    bool IsMain() const override { return true; }
    void ExecuteJavaScript(const QString& code, const QString& script_url, int start_line) override;

  private:
    QPointer<QWebEnginePage> page_;
};

// A sub-frame, handed to OnBeforeBrowse for the length of that call only. Qt WebEngine does not
// let a frame other than the main one be addressed: its address is not known (GetURL is empty)
// and it cannot be loaded into or scripted.
class SubFrame final : public CefFrame {
  public:
    void LoadURL(const QString& url) override;
    QString GetURL() const override { return {}; }
    bool IsMain() const override { return false; }
    void ExecuteJavaScript(const QString& code, const QString& script_url, int start_line) override;
};

}  // namespace corvane::engine
