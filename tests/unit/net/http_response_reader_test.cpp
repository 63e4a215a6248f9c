// The response parser reads whatever a server sends: every accepted framing, and every malformed
// or oversized response failing with a message that names the fault.
#include <gtest/gtest.h>

#include <algorithm>

#include "net/HttpError.h"
#include "net/HttpResponseReader.h"

namespace corvane::net {
namespace {

// Hands out the bytes at most `step` at a time, then the end of the stream.
class MemorySource : public ByteSource {
  public:
    MemorySource(QByteArray data, size_t step) : data_(std::move(data)), step_(step) {}
    size_t Read(char* buf, size_t max) override {
        const size_t n = std::min({max, step_, size_t(data_.size() - pos_)});
        std::copy_n(data_.constData() + pos_, n, buf);
        pos_ += qsizetype(n);
        return n;
    }

  private:
    QByteArray data_;
    size_t step_;
    qsizetype pos_ = 0;
};

// A head, then filler bytes without end.
class EndlessSource : public ByteSource {
  public:
    explicit EndlessSource(QByteArray head) : head_(std::move(head)) {}
    size_t Read(char* buf, size_t max) override {
        if (sent_ < head_.size()) {
            const size_t n = std::min(max, size_t(head_.size() - sent_));
            std::copy_n(head_.constData() + sent_, n, buf);
            sent_ += qsizetype(n);
            return n;
        }
        std::fill_n(buf, max, 'x');
        return max;
    }

  private:
    QByteArray head_;
    qsizetype sent_ = 0;
};

struct GoodCase {
    const char* name;
    QByteArray raw;
    int status;
    QByteArray body;
};

class ReadHttpResponseTest : public ::testing::TestWithParam<std::tuple<GoodCase, size_t>> {};

TEST_P(ReadHttpResponseTest, ReadsStatusHeadersAndBody) {
    const auto& [c, step] = GetParam();
    MemorySource source(c.raw, step);
    const HttpResponse r = ReadHttpResponse(source);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.body, c.body);
}

const GoodCase kGood[] = {
    {"ContentLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "hello"},
    {"ContentLengthStopsThere", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhello", 200, "he"},
    {"RepeatedEqualLength", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\ncontent-length: 2\r\n\r\nok",
     200, "ok"},
    {"UntilClose", "HTTP/1.0 200 OK\r\nX: y\r\n\r\nall of it\r\n", 200, "all of it\r\n"},
    {"NoReasonPhrase", "HTTP/1.1 404\r\n\r\n", 404, ""},
    {"Chunked",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
     "5;ext=1\r\nhello\r\nA \r\n, world!!!\r\n0\r\nTrailer: x\r\n\r\n",
     200, "hello, world!!!"},
    {"NoBodyFor204", "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n", 204, ""},
    {"NoBodyFor304", "HTTP/1.1 304 Not Modified\r\n\r\n", 304, ""},
    // Lines ended by LF alone, as common clients accept them; mixed with CR LF too.
    {"LfOnly", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", 200, "ok"},
    {"LfOnlyChunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\n\n2\nok\r\n0\n\n", 200, "ok"},
    {"EmptyHeaderValue", "HTTP/1.1 200 OK\r\nX-Empty:\r\nContent-Length: 0\r\n\r\n", 200, ""},
};

std::string GoodName(const ::testing::TestParamInfo<std::tuple<GoodCase, size_t>>& info) {
    return std::string(std::get<0>(info.param).name) + "_Step" +
           std::to_string(std::get<1>(info.param));
}

// One byte at a time puts every boundary of the parser between two reads.
INSTANTIATE_TEST_SUITE_P(Responses, ReadHttpResponseTest,
                         ::testing::Combine(::testing::ValuesIn(kGood),
                                            ::testing::Values(size_t(1), size_t(1 << 20))),
                         GoodName);

TEST(ReadHttpResponseHeadersTest, KeepsLinesAsReceivedAndJoinsFoldedOnes) {
    MemorySource source(
        "HTTP/1.1 302 Found\r\nSet-Cookie: a=1; Path=/\r\nX-Long: one\r\n\t two\r\n"
        "Location:  /next \r\nContent-Length: 0\r\n\r\n",
        1 << 20);
    const HttpResponse r = ReadHttpResponse(source);
    EXPECT_EQ(r.statusLine, "HTTP/1.1 302 Found");
    const std::vector<QByteArray> lines = {"Set-Cookie: a=1; Path=/", "X-Long: one two",
                                           "Location:  /next ", "Content-Length: 0"};
    EXPECT_EQ(r.headerLines, lines);
    EXPECT_EQ(r.header("location"), QByteArray("/next"));
    EXPECT_EQ(r.header("x-long"), QByteArray("one two"));
    EXPECT_FALSE(r.header("Cookie").has_value());
}

struct BadCase {
    const char* name;
    QByteArray raw;
    const char* message;
};

class ReadHttpResponseFailureTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadHttpResponseFailureTest, FailsNamingTheFault) {
    MemorySource source(GetParam().raw, 7);
    try {
        const HttpResponse r = ReadHttpResponse(source);
        FAIL() << "accepted, status " << r.status;
    } catch (const HttpError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String(GetParam().message))) << e.what();
    }
}

const QByteArray kLongLine(kMaxHeaderLineBytes, 'a');

INSTANTIATE_TEST_SUITE_P(
    Malformed, ReadHttpResponseFailureTest,
    ::testing::Values(
        BadCase{"Nothing", "", "Connection closed without a response"},
        BadCase{"GarbageStatus", "SSH-2.0-OpenSSH\r\n\r\n", "invalid status line"},
        BadCase{"StatusWithoutCode", "HTTP/1.1 OK\r\n\r\n", "invalid status line"},
        BadCase{"FourDigitStatus", "HTTP/1.1 2000 OK\r\n\r\n", "invalid status line"},
        BadCase{"StatusBelow100", "HTTP/1.1 099 Odd\r\n\r\n", "invalid status line"},
        BadCase{"StrayCR", "HTTP/1.1 200 OK\r\nX: a\rb\r\n\r\n", "stray CR"},
        BadCase{"NulInHeader", QByteArray("HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n", 27), "NUL byte"},
        BadCase{"HeaderWithoutColon", "HTTP/1.1 200 OK\r\nContent-Length 2\r\n\r\nok",
                "header line without colon"},
        BadCase{"BlankInHeaderName", "HTTP/1.1 200 OK\r\nContent Length: 2\r\n\r\nok",
                "invalid header name"},
        BadCase{"EmptyHeaderName", "HTTP/1.1 200 OK\r\n: 2\r\n\r\nok", "invalid header name"},
        BadCase{"FoldWithoutHeader", "HTTP/1.1 200 OK\r\n folded\r\n\r\n", "folded line"},
        BadCase{"NegativeLength", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n",
                "invalid Content-Length"},
        BadCase{"SignedLength", "HTTP/1.1 200 OK\r\nContent-Length: +5\r\n\r\nhello",
                "invalid Content-Length"},
        BadCase{"HugeLength", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n",
                "Response too large"},
        BadCase{"LengthOverLimit", "HTTP/1.1 200 OK\r\nContent-Length: 67108865\r\n\r\n",
                "Response too large"},
        BadCase{"ConflictingLengths",
                "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc",
                "conflicting Content-Length"},
        BadCase{"ShortBody", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
                "Connection closed before the whole response body arrived"},
        BadCase{"LengthAndChunked",
                "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
                "3\r\nabc\r\n0\r\n\r\n",
                "both Content-Length and Transfer-Encoding"},
        BadCase{"GzipCoding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n",
                "Unsupported transfer encoding"},
        BadCase{"ChunkSizeNotHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
                "invalid chunk size"},
        BadCase{"ChunkSizeNegative",
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-1\r\nx\r\n0\r\n\r\n",
                "invalid chunk size"},
        BadCase{"ChunkSizeEmpty", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n",
                "invalid chunk size"},
        BadCase{"ChunkSizeHuge",
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFF\r\n",
                "Response too large"},
        BadCase{"ChunkLongerThanSize",
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n",
                "chunk data longer than its size"},
        BadCase{"ChunkedCutShort", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
                "Connection closed in the middle of a chunked body"},
        BadCase{"ChunkedWithoutLastChunk",
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n",
                "Connection closed in the middle of a chunked body"},
        BadCase{"HeadCutShort", "HTTP/1.1 200 OK\r\nContent-Len",
                "Connection closed in the middle of the response head"},
        BadCase{"HeaderLineTooLong", "HTTP/1.1 200 OK\r\nX: " + kLongLine + "\r\n\r\n",
                "header line too long"},
        BadCase{"HeaderLineTooLongWithoutEnd", "HTTP/1.1 200 OK\r\nX: " + kLongLine,
                "header line too long"},
        BadCase{"StatusLineTooLong", "HTTP/1.1 200 " + kLongLine + "\r\n\r\n",
                "header line too long"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadHttpResponseLimitTest, LineOfExactlyTheLimitIsAccepted) {
    // "X: " + value + CR LF is exactly 64 KiB.
    const QByteArray value(kMaxHeaderLineBytes - 5, 'v');
    MemorySource source("HTTP/1.1 200 OK\r\nX: " + value + "\r\nContent-Length: 0\r\n\r\n", 4096);
    EXPECT_EQ(ReadHttpResponse(source).header("X"), value);
}

void ExpectTooLarge(ByteSource& source) {
    try {
        ReadHttpResponse(source);
        FAIL() << "endless response accepted";
    } catch (const HttpError& e) {
        EXPECT_TRUE(e.message().contains(u"Response too large")) << e.what();
    }
}

TEST(ReadHttpResponseLimitTest, EndlessBodyStopsAtTheLimit) {
    EndlessSource source("HTTP/1.0 200 OK\r\n\r\n");
    ExpectTooLarge(source);
}

// A head: a status line, then short header lines without end; or a chunked body whose trailer
// has no end.
class EndlessHeaders : public ByteSource {
  public:
    explicit EndlessHeaders(QByteArray start)
        : data_(start + "X-Filler: 0123456789\r\n"), repeatFrom_(start.size()) {}
    size_t Read(char* buf, size_t max) override {
        for (size_t i = 0; i < max; ++i) {
            buf[i] = data_[pos_];
            pos_ = pos_ + 1 == data_.size() ? repeatFrom_ : pos_ + 1;
        }
        return max;
    }

  private:
    const QByteArray data_;
    const qsizetype repeatFrom_;
    qsizetype pos_ = 0;
};

TEST(ReadHttpResponseLimitTest, EndlessHeadStopsAtItsLimit) {
    // Not only each line: the head as a whole is bounded.
    for (const char* start :
         {"HTTP/1.1 200 OK\r\n", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n"}) {
        EndlessHeaders source(start);
        try {
            ReadHttpResponse(source);
            FAIL() << "endless head accepted";
        } catch (const HttpError& e) {
            EXPECT_TRUE(e.message().contains(u"Response head too large")) << e.what();
        }
    }
}

}  // namespace
}  // namespace corvane::net
