// The response parser: strict, small, and bounded, because it reads whatever a server sends.
//
// Accepted: a status line "HTTP/d.d NNN[ reason]", header lines "name: value" (folded lines are
// joined), then the body by Content-Length, by chunked transfer coding (extensions and trailers
// skipped), or until the connection closes. Every line must end in CR LF. Everything else is a
// failure (HttpError) with a message that says what was wrong.
//
// Any thread; the source is read only by the calling thread.
#pragma once

#include <cstdint>

#include "ByteSource.h"
#include "HttpResponse.h"

namespace corvane::net {

// Longest status, header, chunk-size or trailer line accepted, CR LF included: 64 KiB.
inline constexpr int64_t kMaxHeaderLineBytes = 64 * 1024;
// Largest response head accepted (status line and header lines, or a chunked body's trailer),
// CR LF included: 1 MiB. Headers are kept parsed, at several times their size on the wire, so the
// head has a bound of its own well below the response's.
inline constexpr int64_t kMaxHeadBytes = 1024 * 1024;
// Largest response accepted, head and body together: 64 MiB. A server that sends more (or
// announces more) fails the exchange with "Response too large" instead of exhausting memory.
inline constexpr int64_t kMaxResponseBytes = 64 * 1024 * 1024;

// Reads one complete response from source. Throws HttpError.
HttpResponse ReadHttpResponse(ByteSource& source);

}  // namespace corvane::net
