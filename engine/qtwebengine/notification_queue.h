// Notifications (after created, load end, title, download progress, render process gone, before
// close) wait here until the shell's pump calls cef_do_message_loop_work. UI thread only.
#pragma once

#include <deque>
#include <functional>

namespace corvane::engine {

class Browser;

class NotificationQueue {
  public:
    using Delivery = std::function<void(Browser&)>;
    using Lookup = std::function<Browser*(int browser_id)>;

    void Post(int browser_id, Delivery delivery);

    // Delivers what was queued before the call, in order. The browser is looked up by identifier
    // at delivery, so a browser that has gone by then gets nothing. What handlers queue meanwhile
    // waits for the next call.
    void DeliverPending(const Lookup& lookup);

    bool Empty() const { return pending_.empty(); }

  private:
    struct Entry {
        int browser_id;
        Delivery delivery;
    };
    std::deque<Entry> pending_;
};

}  // namespace corvane::engine
