// The statistics reporter against the lab's statistics server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "stats/statistics.h"
#include "support/json_text.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

class LabStatsTest : public ::testing::Test {
  protected:
    ~LabStatsTest() override {
        StopStatisticsSender();
        UnInitStatistics();
        std::remove(recordPath.c_str());
    }

    // Starts the lab's server and points the reporter at it.
    void Start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"stats", "--port", "0", "--record", recordPath};
        args.insert(args.end(), extra.begin(), extra.end());
        lab = std::make_unique<LabProcess>(args);
        ASSERT_TRUE(lab->started());
        auto listening = lab->waitEvent("listening");
        ASSERT_TRUE(listening.has_value());
        port = (*listening)["port"].asInt();
        InitStatistics(0);
        SetCommonStatisticsString("hc", "hc 1");
        SetCommonStatisticsString("clt_ver", "5.0.1");
        SetCommonStatisticsInt("clt_type", 9);
        SetStatisticsServer("127.0.0.1", port);
        ASSERT_EQ(StartStatisticsSender(1), 0);
    }

    std::string recordPath = ::testing::TempDir() + "lab_stats_" + std::to_string(::getpid());
    std::unique_ptr<LabProcess> lab;
    int port = 0;
};

TEST_F(LabStatsTest, TheServerReceivesTheExactQuery) {
    Start();
    ASSERT_EQ(BeginStatistics("studio_client_h5_err", "17"), STATISTICS_OK);
    SetStatisticsInt("studio_client_h5_err", "17", "type", 17);
    SetStatisticsInt("studio_client_h5_err", "17", "err", -102);
    SetStatisticsString("studio_client_h5_err", "17", "emsg", "net::ERR_CONNECTION_REFUSED");
    SetStatisticsString("studio_client_h5_err", "17", "resurl", "");
    SetStatisticsString("studio_client_h5_err", "17", "uuid", "x&y=z");
    ASSERT_EQ(SendStatistics("studio_client_h5_err", "17", false), STATISTICS_SEND_QUEUED);

    auto posted = lab->waitEvent("statistics");
    ASSERT_TRUE(posted.has_value());
    const std::string query =
        "systemName=studio_client_h5_err&type=17&err=-102&emsg=net::ERR_CONNECTION_REFUSED"
        "&resurl=&uuid=x&y=z&hc=hc%201&clt_ver=5.0.1&clt_type=9";
    EXPECT_EQ((*posted)["query"], query);
    EXPECT_EQ((*posted)["target"], "/statistics.do?" + query);
    EXPECT_EQ((*posted)["host"], "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ((*posted)["contentType"].asString() + "|" + (*posted)["contentLength"].asString() +
                  "|" + (*posted)["body"].asString(),
              "application/x-www-form-urlencoded|0|");
    // "x&y=z" travels unchanged and reads as two items.
    EXPECT_EQ(WriteFlatJson((*posted)["items"][5]) + WriteFlatJson((*posted)["items"][6]) +
                  WriteFlatJson((*posted)["items"][7]),
              R"(["uuid","x"]["y","z"]["hc","hc 1"])");

    // Delivered once: a 200 ends the attempts.
    EXPECT_FALSE(lab->waitEvent("statistics", 400ms).has_value());
    std::ifstream record(recordPath);
    std::string line;
    ASSERT_TRUE(std::getline(record, line));
    EXPECT_NE(line.find("\"query\":\"systemName=studio_client_h5_err&type=17"), std::string::npos);
}

TEST_F(LabStatsTest, AFailingStatusIsTriedThreeTimes) {
    Start({"--status", "503"});
    ASSERT_EQ(BeginStatistics("studio_client_h5", "16"), STATISTICS_OK);
    ASSERT_EQ(SendStatistics("studio_client_h5", "16", false), STATISTICS_SEND_QUEUED);
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto posted = lab->waitEvent("statistics");
        ASSERT_TRUE(posted.has_value()) << "attempt " << attempt;
        EXPECT_EQ((*posted)["query"],
                  "systemName=studio_client_h5&hc=hc%201&clt_ver=5.0.1&clt_type=9");
    }
    EXPECT_FALSE(lab->waitEvent("statistics", 400ms).has_value());
}

}  // namespace
}  // namespace orvex
