// The statistics reporter: open reports of name/value items, closed into report texts and
// delivered as HTTP POST requests to the statistics server by sender threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// Results of the report operations.
enum StatisticsResult : int {
    STATISTICS_OK = 0,
    STATISTICS_NO_REPORT = 1,         // no open report with that key
    STATISTICS_REPORT_OPEN = 2,       // a report with that key is already open
    STATISTICS_NO_ITEM = 3,           // no item of that name
    STATISTICS_TOO_MANY_REPORTS = 5,  // the limit of open reports is reached
    STATISTICS_BAD_ARGUMENT = 7,      // a required text is absent
    STATISTICS_NOT_INITIALISED = 8,
};

// Results of SendStatistics.
enum StatisticsSendResult : int {
    STATISTICS_SEND_QUEUED = 0,
    STATISTICS_SEND_NO_NAME = -1,
    STATISTICS_SEND_EMPTY_NAME = -2,
    STATISTICS_SEND_NO_SENDER = -3,
    STATISTICS_SEND_NO_REPORT = -4,
};

// Reports are addressed by system name and suffix: their key is the two texts joined (the
// system name alone when the suffix is absent). Texts are NUL-terminated narrow strings.
// Opening, filling and sending reports belongs to the user-interface thread.

// Initialises the module; maxReports <= 0 means no limit. Does nothing when already done. 0.
int InitStatistics(int maxReports);
// Frees every open report and every common item, ends the initialised state, writes the
// debug-output line "UnInitStatistics end.". 0.
int UnInitStatistics();
// Opens a report whose first item is "systemName" = systemName.
int BeginStatistics(const char* systemName, const char* suffix);
// Add an item, or replace the item of that name where it stands.
int SetStatisticsString(const char* systemName, const char* suffix, const char* name,
                        const char* value);
int SetStatisticsInt(const char* systemName, const char* suffix, const char* name, int32_t value);
// A running timer holding the current tick count.
int StartStatisticsTimer(const char* systemName, const char* suffix, const char* name);
// Turns a running timer into an integer item of the milliseconds elapsed; an item of another
// kind is left as it is (0).
int StopStatisticsTimer(const char* systemName, const char* suffix, const char* name);

// Items appended to every report, in the order first registered; never consumed.
// User-interface thread, before the first report is sent.
void SetCommonStatisticsString(const char* name, const char* value);
void SetCommonStatisticsInt(const char* name, int32_t value);

// Where reports go (default port 80; without a host, the built-in default "localhost").
// Writes the debug-output line "[Statistics]domain:%s port:%d\n". Before the sender starts.
void SetStatisticsServer(const char* host, int port);
// Starts `threadCount` sender threads (none for 0 or fewer, but reports can then be queued).
// 0, or -1 when already started. User-interface thread.
int StartStatisticsSender(int threadCount);
// Stops the sender threads; queued reports are dropped. A delivery in progress is given up to
// 2 s to end (it is told to stop between reads); after that the sender is left to end by itself
// and this returns. User-interface thread.
void StopStatisticsSender();
// Closes the report, turns it into its report text and queues it (first when urgent).
int SendStatistics(const char* systemName, const char* suffix, bool urgent);

// Test hooks. The connect, send and receive time-out of each delivery attempt (10,000 ms
// unless changed). Any thread, before the sender starts.
void SetStatisticsTimeoutForTesting(uint32_t milliseconds);
// Takes every queued report text, first to last. Any thread.
std::vector<std::string> TakeQueuedStatisticsForTesting();

}  // namespace orvex
