// Shared by the fuzz targets: a check that stops the run with a message (libFuzzer then keeps the
// input), and a reader that takes a fuzz input apart into the values a target needs.
//
// Single thread; the reader borrows the input for as long as it lives.
#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property of the code under test that the input broke.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace corvane::fuzz {

class InputReader {
  public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t left() const { return size_ - pos_; }

    // One byte, 0 when the input is used up.
    uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }

    // The next n bytes (fewer when the input ends first).
    QByteArray Bytes(size_t n) {
        n = std::min(n, left());
        QByteArray part(reinterpret_cast<const char*>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return part;
    }

    // Bytes up to the next occurrence of separator (not included) or to the end.
    QByteArray Until(char separator) {
        const size_t start = pos_;
        while (pos_ < size_ && data_[pos_] != uint8_t(separator)) ++pos_;
        QByteArray part(reinterpret_cast<const char*>(data_ + start), qsizetype(pos_ - start));
        if (pos_ < size_) ++pos_;
        return part;
    }

    QByteArray Rest() {
        QByteArray part(reinterpret_cast<const char*>(data_ + pos_), qsizetype(size_ - pos_));
        pos_ = size_;
        return part;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Bytes as wide text: UTF-16LE code units when the first byte is 0xFF (so lone surrogates and
// characters outside every code page are reachable), else UTF-8 as a page or file would hold it.
inline QString TextFrom(const QByteArray& bytes) {
    if (!bytes.startsWith('\xFF')) return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 1; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8))));
    return text;
}

}  // namespace corvane::fuzz
