#include "frame.h"

#include <QUrl>
#include <QWebEnginePage>

namespace corvane::engine {

void MainFrame::Attach(QWebEnginePage* page) { page_ = page; }

void MainFrame::LoadURL(const QString& url) {
    if (page_) page_->load(QUrl(url));
}

QString MainFrame::GetURL() const {
    // As the engine has it: percent-encoded, exactly as the page addressed it.
    return page_ ? page_->url().toString(QUrl::FullyEncoded) : QString();
}

void MainFrame::ExecuteJavaScript(const QString& code, const QString& /*script_url*/,
                                  int /*start_line*/) {
    // The script's address and first line only label error messages in Chromium; Qt WebEngine
    // takes neither.
    if (page_) page_->runJavaScript(code);
}

void SubFrame::LoadURL(const QString& url) {
    qWarning("Corvane engine: a sub-frame cannot be loaded into on Qt WebEngine (%s)",
             qUtf8Printable(url));
}

void SubFrame::ExecuteJavaScript(const QString&, const QString&, int) {
    qWarning("Corvane engine: a sub-frame cannot be scripted on Qt WebEngine");
}

}  // namespace corvane::engine
