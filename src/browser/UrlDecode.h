// Percent-decoding of page command payloads through the program's ANSI code page.
//
// Pure functions, any thread. The errors carry the exact messages a page author sees in the log.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace corvane::browser {

// Base of the two decoding errors: what() is the UTF-8 form of message().
class UrlDecodeError : public std::runtime_error {
  public:
    explicit UrlDecodeError(const QString& message);
    const QString& message() const { return message_; }

  private:
    QString message_;
};

// A "%" with fewer than two characters after it.
class EWebBrokerException : public UrlDecodeError {
  public:
    using UrlDecodeError::UrlDecodeError;
};

// A "%" followed by two characters that are not both hexadecimal digits.
class EConvertError : public UrlDecodeError {
  public:
    using UrlDecodeError::UrlDecodeError;
};

// "+" -> blank, "%%" -> "%", "%XY" -> the byte 0xXY; every other byte is copied. Reading stops at
// the end or at a zero byte of the input. Positions in the messages are 0-based byte positions
// of the character after the "%".
// Throws EWebBrokerException or EConvertError.
QByteArray PercentDecode(const QByteArray& bytes);

// The text to ANSI bytes (unrepresentable characters become "?"), PercentDecode, and back to text
// from the same code page. Throws what PercentDecode throws.
QString UrlDecodeAnsi(const QString& text);

// The second decoding of a media argument: ANSI bytes, PercentDecode, then the bytes read as UTF-8
// with invalid sequences replaced. Throws what PercentDecode throws.
QString UrlDecodeUtf8(const QString& text);

}  // namespace corvane::browser
