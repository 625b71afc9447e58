#include "stats/statistics_http.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orvex {
namespace {

// An answer held in memory, read as readn reads a socket; counts what was consumed.
struct MemoryAnswer {
    std::string bytes;
    size_t at = 0;
    StatisticsByteReader reader() {
        return [this](char* buffer, size_t n) {
            size_t count = std::min(n, bytes.size() - at);
            bytes.copy(buffer, count, at);
            at += count;
            return static_cast<long>(count);
        };
    }
};

// How many body bytes DiscardStatisticsResponseBody consumes after `head`.
size_t BodyBytesRead(const std::string& head, const std::string& body) {
    MemoryAnswer answer{body};
    DiscardStatisticsResponseBody(answer.reader(), head);
    return answer.at;
}

// The head itself is pinned byte for byte by the delivery test.
TEST(StatisticsHttpTest, OverlongHostIsRefused) {
    std::string head;
    std::string path = "/statistics.do?" + std::string(5000, 'p');
    EXPECT_TRUE(FormatStatisticsRequestHead(path, std::string(800, 'h'), 80, 0, head));
    EXPECT_FALSE(FormatStatisticsRequestHead(path, std::string(1000, 'h'), 80, 0, head));
}

TEST(StatisticsHttpTest, StatusComesOnlyFromAnHttp11Head) {
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1 204 No Content\r\n\r\n"), 204);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1\t500\r\n\r\n"), 500);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.0 200 OK\r\n\r\n"), -1);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1 200 OK"), -1);  // no CR LF after it
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1 OK\r\n\r\n"), -1);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1\r\n\r\n"), -1);
    EXPECT_EQ(ParseStatisticsStatus(""), -1);
    // Found anywhere in the head, as a text search finds it.
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.0 200 OK\r\nVia: HTTP/1.1 503 x\r\n\r\n"), 503);
    // The word may run on; the number is what follows the first blank.
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1x 201 Created\r\n\r\n"), 201);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1 99999999999999999999\r\n\r\n"), INT32_MAX);
    EXPECT_EQ(ParseStatisticsStatus("HTTP/1.1 -7\r\n\r\n"), -7);
}

TEST(StatisticsHttpTest, HeadEndsAtTheBlankLineAndMayFillTheBuffer) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n";
    MemoryAnswer answer{head + "ok"};
    std::string buffer(head.size(), '\0');
    EXPECT_EQ(ReadStatisticsResponseHead(answer.reader(), buffer.data(), buffer.size()),
              static_cast<long>(head.size()));
    EXPECT_EQ(answer.at, head.size());  // the body is left for the body reader
    EXPECT_EQ(buffer, head);

    MemoryAnswer longer{head};
    EXPECT_EQ(ReadStatisticsResponseHead(longer.reader(), buffer.data(), head.size() - 1), -1);
    MemoryAnswer cut{"HTTP/1.1 200 OK\r\n"};
    EXPECT_EQ(ReadStatisticsResponseHead(cut.reader(), buffer.data(), buffer.size()), -1);
}

TEST(StatisticsHttpTest, ContentLengthBodyIsReadOnlyBelow512) {
    std::string body(700, 'b');
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", body), 10u);
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\nContent-Length: 511\r\n\r\n", body), 511u);
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\nContent-Length: 512\r\n\r\n", body), 0u);
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", body), 0u);
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\ncontent-length: 10\r\n\r\n", body), 0u);
    EXPECT_EQ(BodyBytesRead("HTTP/1.1 200 OK\r\n\r\n", body), 0u);
}

TEST(StatisticsHttpTest, ChunkedBodyIsReadWithinItsBounds) {
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    // Each chunk with its CR LF, up to and including the size line of the last (0) chunk.
    EXPECT_EQ(BodyBytesRead(head, "5\r\nhello\r\n3;x=y\r\nabc\r\n0\r\n\r\n"), 25u);
    // A chunk of 512 or more is not read (only its size line).
    EXPECT_EQ(BodyBytesRead(head, "200\r\n" + std::string(512, 'x') + "\r\n0\r\n"), 5u);
    EXPECT_EQ(BodyBytesRead(head, "1ff\r\n" + std::string(511, 'x') + "\r\n0\r\n"),
              5u + 511 + 2 + 3);
    // The total must stay below 512: 0x1f0 + 0x10 would reach it.
    EXPECT_EQ(BodyBytesRead(head, "1f0\r\n" + std::string(0x1f0, 'x') + "\r\n10\r\n" +
                                      std::string(16, 'y') + "\r\n0\r\n"),
              5u + 0x1f0 + 2 + 4);
    // A size line that never ends is bounded too.
    EXPECT_EQ(BodyBytesRead(head, std::string(5000, ';')), 512u);
    // A huge size stays huge, whatever its number of digits.
    EXPECT_EQ(BodyBytesRead(head, "ffffffffffffffffffffffff\r\nx"), 26u);
}

}  // namespace
}  // namespace orvex
