#include "download_item.h"

#include <QWebEngineDownloadRequest>

namespace corvane::engine {

int DownloadItem::GetPercentComplete() const {
    if (state_.total_bytes <= 0) return -1;
    return static_cast<int>(state_.received_bytes * 100 / state_.total_bytes);
}

void DownloadCancel::Cancel() {
    if (request_) request_->cancel();
}

}  // namespace corvane::engine
