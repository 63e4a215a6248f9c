// One TCP connection of the HTTP client.
//
// Owned by one HttpClient and used by the thread running its exchange; closed when destroyed.
#pragma once

#include <QByteArray>
#include <QString>

#include "ByteSource.h"

namespace corvane::net {

// Bounds every single wait for incoming data (status line, header line, body part), not the
// exchange as a whole: a server that sends something at least every 30 s keeps the exchange alive.
// Waits to send are bounded by the same value, so a peer that stops reading cannot hang a sender.
inline constexpr int kReadTimeoutMs = 30000;

class TcpConnection : public ByteSource {
  public:
    // Resolves host and connects to the first address that accepts. The connect has no time-out
    // of its own; the system's applies. Throws HttpError.
    TcpConnection(const QString& host, quint16 port);
    ~TcpConnection() override;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Sends every byte. Throws HttpError.
    void SendAll(const QByteArray& bytes);
    // Waits at most kReadTimeoutMs for data. Throws HttpError on time-out or a receive failure.
    size_t Read(char* buf, size_t max) override;

  private:
    int fd_ = -1;
};

}  // namespace corvane::net
