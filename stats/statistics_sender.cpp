// The statistics sender: the send queue, the sender threads and the delivery of one report.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/debug_output.h"
#include "stats/statistics.h"
#include "stats/statistics_http.h"
#include "stats/statistics_reports.h"

namespace orvex {
namespace {

constexpr const char* kDefaultStatisticsHost = "localhost";
constexpr int kDeliveryAttempts = 3;
constexpr auto kSenderCycle = std::chrono::milliseconds(10);
// How long a stop waits for a delivery in progress before the program goes on without it: a
// report may be lost, the exit may not hang on a slow server.
constexpr auto kStopGrace = std::chrono::seconds(2);

struct SenderState {
    // The queue lock guards the send queue.
    std::mutex queueLock;
    std::deque<std::string> queue;

    // Server settings: set before the sender starts, read by the sender threads.
    std::mutex serverLock;
    std::optional<std::string> host;
    int port = 80;
    std::atomic<uint32_t> timeoutMs{10000};

    // Sender control; Start and Stop come from the user-interface thread only. A thread runs
    // while `generation` is the one it was started in; a stop moves it on.
    bool started = false;
    std::vector<std::thread> threads;
    std::atomic<uint64_t> generation{0};
    std::mutex aliveLock;
    std::condition_variable aliveChanged;
    int alive = 0;  // threads that have not ended yet; aliveLock
};

SenderState& sender() {
    static SenderState* instance = new SenderState;  // lives until the process ends
    return *instance;
}

// Delivers one report text: up to three attempts, stopping at the first 2xx answer. A report
// whose attempts all fail is dropped.
void Deliver(SenderState& s, const std::string& text, uint64_t generation) {
    std::string path = "/statistics.do?" + text;
    std::string host;
    int port;
    {
        std::lock_guard<std::mutex> lock(s.serverLock);
        host = s.host.value_or(kDefaultStatisticsHost);
        port = s.port;
    }
    auto stopped = [&s, generation] { return s.generation.load() != generation; };
    for (int attempt = 0; attempt < kDeliveryAttempts && !stopped(); ++attempt) {
        int status =
            StatisticsHttpPost(host, port, path, std::string(), s.timeoutMs.load(), stopped);
        if (status >= 200 && status <= 299) {
            return;
        }
    }
}

void SenderLoop(SenderState& s, uint64_t generation) {
    for (;;) {
        std::this_thread::sleep_for(kSenderCycle);
        if (s.generation.load() != generation) {
            std::lock_guard<std::mutex> lock(s.aliveLock);
            --s.alive;
            s.aliveChanged.notify_all();
            return;
        }
        std::optional<std::string> entry;
        {
            std::lock_guard<std::mutex> lock(s.queueLock);
            if (!s.queue.empty()) {
                entry = std::move(s.queue.front());
                s.queue.pop_front();
            }
        }
        if (entry && !entry->empty()) {
            Deliver(s, *entry, generation);
        }
    }
}

}  // namespace

void SetStatisticsServer(const char* host, int port) {
    if (host == nullptr) {
        return;
    }
    SenderState& s = sender();
    {
        std::lock_guard<std::mutex> lock(s.serverLock);
        s.host = host;
        s.port = port;
    }
    std::string line =
        "[Statistics]domain:" + std::string(host) + " port:" + std::to_string(port) + "\n";
    OutputDebugStringA(line.c_str());
}

int StartStatisticsSender(int threadCount) {
    SenderState& s = sender();
    if (s.started) {
        return -1;
    }
    s.started = true;
    if (threadCount <= 0) {
        return 0;
    }
    const uint64_t generation = ++s.generation;
    {
        std::lock_guard<std::mutex> lock(s.aliveLock);
        s.alive += threadCount;
    }
    for (int i = 0; i < threadCount; ++i) {
        s.threads.emplace_back(SenderLoop, std::ref(s), generation);
    }
    return 0;
}

void StopStatisticsSender() {
    SenderState& s = sender();
    if (!s.started) {
        return;
    }
    ++s.generation;
    bool ended;
    {
        std::unique_lock<std::mutex> lock(s.aliveLock);
        ended = s.aliveChanged.wait_for(lock, kStopGrace, [&s] { return s.alive == 0; });
    }
    for (std::thread& thread : s.threads) {
        // A thread still in a delivery ends by itself once its exchange gives up; the state it
        // uses lives until the process ends.
        if (ended) {
            thread.join();
        } else {
            thread.detach();
        }
    }
    s.threads.clear();
    std::lock_guard<std::mutex> lock(s.queueLock);
    s.queue.clear();
    s.started = false;
}

int SendStatistics(const char* systemName, const char* suffix, bool urgent) {
    if (systemName == nullptr) {
        return STATISTICS_SEND_NO_NAME;
    }
    if (*systemName == '\0') {
        return STATISTICS_SEND_EMPTY_NAME;
    }
    SenderState& s = sender();
    if (!s.started) {
        return STATISTICS_SEND_NO_SENDER;
    }
    std::string text;
    if (!CloseStatisticsReport(systemName, suffix, text)) {
        return STATISTICS_SEND_NO_REPORT;
    }
    std::lock_guard<std::mutex> lock(s.queueLock);
    if (urgent) {
        s.queue.push_front(std::move(text));
    } else {
        s.queue.push_back(std::move(text));
    }
    return STATISTICS_SEND_QUEUED;
}

void SetStatisticsTimeoutForTesting(uint32_t milliseconds) {
    sender().timeoutMs = milliseconds;
}

std::vector<std::string> TakeQueuedStatisticsForTesting() {
    SenderState& s = sender();
    std::lock_guard<std::mutex> lock(s.queueLock);
    std::vector<std::string> texts(s.queue.begin(), s.queue.end());
    s.queue.clear();
    return texts;
}

}  // namespace orvex
