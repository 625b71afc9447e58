// The lab's statistics server under the program's statistics reporter: every request is
// recorded item by item and answered with the chosen status. How often the reporter tries for
// each status is tested against scripted servers beside the reporter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "stats/statistics.h"
#include "support/json_text.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

TEST(LabStatsTest, RecordsEachAttemptItemByItemAndAnswersWithTheChosenStatus) {
    const std::string recordPath = ::testing::TempDir() + "lab_stats_" + std::to_string(::getpid());
    std::remove(recordPath.c_str());
    LabProcess lab({"stats", "--port", "0", "--record", recordPath, "--status", "503"});
    ASSERT_TRUE(lab.started());
    auto listening = lab.waitEvent("listening");
    ASSERT_TRUE(listening.has_value());
    const int port = (*listening)["port"].asInt();
    InitStatistics(0);
    SetCommonStatisticsString("hc", "hc 1");
    SetCommonStatisticsString("clt_ver", "5.0.1");
    SetCommonStatisticsInt("clt_type", 9);
    SetStatisticsServer("127.0.0.1", port);
    ASSERT_EQ(StartStatisticsSender(1), 0);
    ASSERT_EQ(BeginStatistics("studio_client_h5_err", "17"), STATISTICS_OK);
    SetStatisticsInt("studio_client_h5_err", "17", "err", -102);
    SetStatisticsString("studio_client_h5_err", "17", "resurl", "");
    SetStatisticsString("studio_client_h5_err", "17", "uuid", "x&y=z");
    ASSERT_EQ(SendStatistics("studio_client_h5_err", "17", false), STATISTICS_SEND_QUEUED);

    // A 503 is not a delivery: the reporter tries three times, and each attempt is recorded.
    const std::string query =
        "systemName=studio_client_h5_err&err=-102&resurl=&uuid=x&y=z&hc=hc%201&clt_ver=5.0.1"
        "&clt_type=9";
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto posted = lab.waitEvent("statistics");
        ASSERT_TRUE(posted.has_value()) << "attempt " << attempt;
        EXPECT_EQ((*posted)["query"], query);
        EXPECT_EQ((*posted)["target"], "/statistics.do?" + query);
        EXPECT_EQ((*posted)["host"], "127.0.0.1:" + std::to_string(port));
        EXPECT_EQ((*posted)["contentType"].asString() + "|" +
                      (*posted)["contentLength"].asString() + "|" + (*posted)["body"].asString(),
                  "application/x-www-form-urlencoded|0|");
        // An empty value stays an item; "x&y=z" reads as two items.
        EXPECT_EQ(WriteFlatJson((*posted)["items"][2]) + WriteFlatJson((*posted)["items"][3]) +
                      WriteFlatJson((*posted)["items"][4]) + WriteFlatJson((*posted)["items"][5]),
                  R"(["resurl",""]["uuid","x"]["y","z"]["hc","hc 1"])");
    }
    StopStatisticsSender();
    UnInitStatistics();
    std::ifstream record(recordPath);
    int lines = 0;
    for (std::string line; std::getline(record, line); ++lines) {
        EXPECT_NE(line.find("\"query\":\"" + query.substr(0, 30)), std::string::npos) << line;
    }
    EXPECT_EQ(lines, 3);
    std::remove(recordPath.c_str());
}

}  // namespace
}  // namespace orvex
