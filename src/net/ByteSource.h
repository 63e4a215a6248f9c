// A stream of received bytes, read by the response parser.
#pragma once

#include <cstddef>

namespace corvane::net {

// Owned and used by one thread at a time.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads at most max (> 0) bytes into buf, waiting for them as the source's rules say. Returns
    // the count read, 0 only at the orderly end of the stream. Throws HttpError on a failure
    // (time-out, connection reset).
    virtual size_t Read(char* buf, size_t max) = 0;
};

}  // namespace corvane::net
