// The failure type of the HTTP client: connection failures, time-outs, malformed responses and
// unsupported URLs. The message is what the exchange reports and leaves in the record, so it is
// written for a person reading the log.
#pragma once

#include <QString>
#include <exception>

namespace corvane::net {

class HttpError : public std::exception {
  public:
    explicit HttpError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

  private:
    QString message_;
    QByteArray utf8_;
};

}  // namespace corvane::net
