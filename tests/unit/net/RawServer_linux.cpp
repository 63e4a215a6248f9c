#include "RawServer.h"

#include <unistd.h>

#include <algorithm>

namespace corvane::net::testing {

RawServer::RawServer(std::vector<Script> scripts)
    : scripts_(std::move(scripts)),
      server_([this](testsupport::Connection& connection) { Serve(connection); }) {}

RawServer::~RawServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
}

std::vector<QByteArray> RawServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    cv_.notify_all();
}

void RawServer::Serve(testsupport::Connection& connection) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(connection.request());
    }
    if (scripts_.empty()) return;
    const Script& script = scripts_[std::min(size_t(connection.index()), scripts_.size() - 1)];
    for (const Step& step : script) {
        switch (step.kind) {
            case Step::kSend:
                if (!connection.Send(step.bytes)) return;
                break;
            case Step::kPause:
                if (!connection.Pause(step.ms)) return;
                break;
            case Step::kWaitRelease: {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [this] { return released_ || stopping_; });
                if (stopping_) return;
                break;
            }
            case Step::kReset:
                connection.Reset();
                return;
            case Step::kHold:
                connection.Hold();
                return;
        }
    }
}

ClosedPort::ClosedPort() { fd_ = testsupport::BindLoopback(&port_, false); }
ClosedPort::~ClosedPort() { close(fd_); }

}  // namespace corvane::net::testing
