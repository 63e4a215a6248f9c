#include "notification_queue.h"

#include <QtGlobal>
#include <exception>
#include <utility>

namespace corvane::engine {

void NotificationQueue::Post(int browser_id, Delivery delivery) {
    pending_.push_back({browser_id, std::move(delivery)});
}

void NotificationQueue::DeliverPending(const Lookup& lookup) {
    std::deque<Entry> batch;
    batch.swap(pending_);
    for (Entry& entry : batch) {
        Browser* browser = lookup(entry.browser_id);
        if (!browser) continue;
        // One failing handler must not swallow the notifications queued after it.
        try {
            entry.delivery(*browser);
        } catch (const std::exception& e) {
            qWarning("Corvane engine: a notification handler failed: %s", e.what());
        } catch (...) {
            qWarning("Corvane engine: a notification handler failed");
        }
    }
}

}  // namespace corvane::engine
