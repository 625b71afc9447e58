#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "stats/statistics.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;

// A reporter with a started sender that has no threads: sent reports wait in the queue, where
// the tests read their texts.
class StatisticsReportsTest : public ::testing::Test {
  protected:
    StatisticsReportsTest() {
        InitStatistics(0);
        StartStatisticsSender(0);
    }
    ~StatisticsReportsTest() override {
        StopStatisticsSender();
        UnInitStatistics();
    }

    // Sends the report and returns its text.
    std::string Sent(const char* system, const char* suffix = nullptr) {
        EXPECT_EQ(SendStatistics(system, suffix, false), STATISTICS_SEND_QUEUED);
        auto texts = TakeQueuedStatisticsForTesting();
        return texts.size() == 1 ? texts[0] : "<" + std::to_string(texts.size()) + " texts>";
    }
};

// Items keep the place of their first setting and take the last value; the common items follow
// every report. Values travel unchanged except bytes a request line cannot hold.
TEST_F(StatisticsReportsTest, ItemsCommonItemsAndTheirText) {
    SetCommonStatisticsString("hc", "h-1");
    SetCommonStatisticsString("clt_ver", "3.2");
    SetCommonStatisticsInt("clt_type", 9);
    SetCommonStatisticsString("hc", "h-2");   // replaced where it stands
    SetCommonStatisticsString(nullptr, "x");  // ignored
    SetCommonStatisticsString("ignored", nullptr);
    SetCommonStatisticsInt(nullptr, 1);
    const std::string common = "&hc=h-2&clt_ver=3.2&clt_type=9";

    ASSERT_EQ(BeginStatistics("studio_client_h5", "16"), STATISTICS_OK);
    EXPECT_EQ(SetStatisticsInt("studio_client_h5", "16", "type", 16), STATISTICS_OK);
    EXPECT_EQ(SetStatisticsString("studio_client_h5", "16", "uuid", "u-1"), STATISTICS_OK);
    EXPECT_EQ(SetStatisticsString("studio_client_h5", "16", "type", "changed"), STATISTICS_OK);
    EXPECT_EQ(SetStatisticsInt("studio_client_h5", "16", "uuid", -5), STATISTICS_OK);
    EXPECT_EQ(Sent("studio_client_h5", "16"),
              "systemName=studio_client_h5&type=changed&uuid=-5" + common);

    ASSERT_EQ(BeginStatistics("s", nullptr), STATISTICS_OK);
    SetStatisticsString("s", nullptr, "q", "a&b=c");
    SetStatisticsString("s", nullptr, "un", "Zoë Li");
    SetStatisticsString("s", nullptr, "emsg", "line\r\nnext\t\x7F%");
    SetStatisticsString("s", nullptr, "my name", "");
    EXPECT_EQ(Sent("s"),
              "systemName=s&q=a&b=c&un=Zoë%20Li&emsg=line%0D%0Anext%09%7F%&my%20name=" + common);
}

TEST_F(StatisticsReportsTest, ResultCodesOfTheItemOperations) {
    EXPECT_EQ(BeginStatistics(nullptr, "x"), STATISTICS_BAD_ARGUMENT);
    EXPECT_EQ(SetStatisticsString("none", nullptr, "a", "b"), STATISTICS_NO_REPORT);
    ASSERT_EQ(BeginStatistics("sys", nullptr), STATISTICS_OK);
    EXPECT_EQ(SetStatisticsString("sys", nullptr, "a", nullptr), STATISTICS_BAD_ARGUMENT);
    EXPECT_EQ(SetStatisticsString("sys", nullptr, nullptr, "b"), STATISTICS_BAD_ARGUMENT);
    EXPECT_EQ(SetStatisticsInt(nullptr, nullptr, "a", 1), STATISTICS_BAD_ARGUMENT);
    EXPECT_EQ(StartStatisticsTimer("sys", nullptr, nullptr), STATISTICS_BAD_ARGUMENT);
    EXPECT_EQ(StopStatisticsTimer("sys", nullptr, "never"), STATISTICS_NO_ITEM);
    EXPECT_EQ(StopStatisticsTimer("other", nullptr, "never"), STATISTICS_NO_REPORT);
}

TEST_F(StatisticsReportsTest, TimersStopOnceAndUnstoppedTimersHaveNoValue) {
    ASSERT_EQ(BeginStatistics("t", nullptr), STATISTICS_OK);
    ASSERT_EQ(StartStatisticsTimer("t", nullptr, "cost"), STATISTICS_OK);
    ASSERT_EQ(StartStatisticsTimer("t", nullptr, "open"), STATISTICS_OK);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(StopStatisticsTimer("t", nullptr, "cost"), STATISTICS_OK);
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(StopStatisticsTimer("t", nullptr, "cost"), STATISTICS_OK);  // now an integer
    std::string text = Sent("t");
    ASSERT_EQ(text.rfind("systemName=t&cost=", 0), 0u) << text;
    size_t end = text.find('&', 18);
    int elapsed = std::stoi(text.substr(18, end - 18));
    EXPECT_GE(elapsed, 25);
    EXPECT_LT(elapsed, 65);  // the second stop did not count on
    EXPECT_EQ(text.substr(end), "&open=");
}

TEST_F(StatisticsReportsTest, SendResultsAndTheQueueOrder) {
    EXPECT_EQ(SendStatistics(nullptr, nullptr, false), STATISTICS_SEND_NO_NAME);
    EXPECT_EQ(SendStatistics("", nullptr, false), STATISTICS_SEND_EMPTY_NAME);
    EXPECT_EQ(SendStatistics("none", nullptr, false), STATISTICS_SEND_NO_REPORT);
    for (const char* system : {"first", "second", "third"}) {
        ASSERT_EQ(BeginStatistics(system, nullptr), STATISTICS_OK);
    }
    EXPECT_EQ(SendStatistics("first", nullptr, false), STATISTICS_SEND_QUEUED);
    EXPECT_EQ(SendStatistics("second", nullptr, false), STATISTICS_SEND_QUEUED);
    EXPECT_EQ(SendStatistics("third", nullptr, true), STATISTICS_SEND_QUEUED);
    EXPECT_EQ(SendStatistics("first", nullptr, false), STATISTICS_SEND_NO_REPORT);  // closed
    EXPECT_EQ(
        TakeQueuedStatisticsForTesting(),
        (std::vector<std::string>{"systemName=third", "systemName=first", "systemName=second"}));
}

TEST_F(StatisticsReportsTest, SendingBeforeTheSenderStartsLeavesTheReportOpen) {
    StopStatisticsSender();
    ASSERT_EQ(BeginStatistics("early", nullptr), STATISTICS_OK);
    EXPECT_EQ(SendStatistics("early", nullptr, false), STATISTICS_SEND_NO_SENDER);
    EXPECT_EQ(BeginStatistics("early", nullptr), STATISTICS_REPORT_OPEN);
    ASSERT_EQ(StartStatisticsSender(0), 0);
    EXPECT_EQ(StartStatisticsSender(1), -1);  // already started
    EXPECT_EQ(Sent("early"), "systemName=early");
}

// Opening an open report keeps it; the number of open reports has a limit, checked first.
TEST_F(StatisticsReportsTest, OpeningTwiceAndTheLimitOfOpenReports) {
    UnInitStatistics();
    ASSERT_EQ(InitStatistics(2), 0);
    EXPECT_EQ(InitStatistics(0), 0);  // already initialised: the limit stays
    ASSERT_EQ(BeginStatistics("sys", "1"), STATISTICS_OK);
    SetStatisticsInt("sys", "1", "a", 1);
    EXPECT_EQ(BeginStatistics("sys", "1"), STATISTICS_REPORT_OPEN);
    EXPECT_EQ(BeginStatistics("sys", nullptr), STATISTICS_OK);  // key "sys", another report
    EXPECT_EQ(BeginStatistics("c", nullptr), STATISTICS_TOO_MANY_REPORTS);
    EXPECT_EQ(BeginStatistics("sys", "1"), STATISTICS_TOO_MANY_REPORTS);
    EXPECT_EQ(Sent("sys", "1"), "systemName=sys&a=1");
    EXPECT_EQ(BeginStatistics("c", nullptr), STATISTICS_OK);
    EXPECT_EQ(Sent("sys"), "systemName=sys");
}

TEST_F(StatisticsReportsTest, UninitialisedReporterRefusesAndUnInitForgetsEverything) {
    ASSERT_EQ(BeginStatistics("kept", nullptr), STATISTICS_OK);
    SetCommonStatisticsInt("clt_type", 9);
    SetStatisticsServer("stats.example", 8080);
    SetStatisticsServer(nullptr, 1);  // ignored
    EXPECT_EQ(UnInitStatistics(), 0);
    EXPECT_EQ(BeginStatistics("kept", nullptr), STATISTICS_NOT_INITIALISED);
    EXPECT_EQ(SetStatisticsInt("kept", nullptr, "a", 1), STATISTICS_NOT_INITIALISED);
    EXPECT_EQ(StartStatisticsTimer("kept", nullptr, "a"), STATISTICS_NOT_INITIALISED);
    EXPECT_EQ(StopStatisticsTimer("kept", nullptr, "a"), STATISTICS_NOT_INITIALISED);
    EXPECT_EQ(SendStatistics("kept", nullptr, false), STATISTICS_SEND_NO_REPORT);

    InitStatistics(0);
    EXPECT_EQ(BeginStatistics("kept", nullptr), STATISTICS_OK);  // the old one is gone
    EXPECT_EQ(Sent("kept"), "systemName=kept");                  // and so are common items
}

}  // namespace
}  // namespace orvex
