#include "stats/statistics_http.h"

#include <gtest/gtest.h>

#include <string>

namespace orvex {
namespace {

TEST(StatisticsHttpTest, RequestHeadIsExact) {
    std::string head;
    ASSERT_TRUE(FormatStatisticsRequestHead("/statistics.do?systemName=a&x=1", "stats.example", 80,
                                            0, head));
    EXPECT_EQ(head,
              "POST /statistics.do?systemName=a&x=1 HTTP/1.1\r\n"
              "Accept: */*\r\n"
              "Host: stats.example:80\r\n"
              "Connection: close\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 0 \r\n"
              "\r\n");
}

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

}  // namespace
}  // namespace orvex
