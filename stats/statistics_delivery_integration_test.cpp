#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/testing/loopback_peer.h"
#include "stats/statistics.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;
using testing::LoopbackListener;

// One connection as the server saw it: the request head, and how the client left
// ("closed" in order, "reset" with part of the answer unread).
struct Exchange {
    std::string request;
    std::string end;
    std::chrono::steady_clock::duration lasted;
};

// What a scripted server does after reading a request.
enum class Reply { kAnswer, kSilence, kHangUp, kTrickle };

// A raw HTTP server answering every request with the same scripted bytes (all at once, or one
// byte every 100 ms), or keeping silent until the client gives up, or closing at once.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::string answer, Reply reply = Reply::kAnswer)
        : answer_(std::move(answer)), reply_(reply) {
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedServer() {
        stop_ = true;
        thread_.join();
    }
    uint16_t port() const { return listener_.port(); }

    bool waitFor(size_t count, std::chrono::milliseconds limit = 10s) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return exchanges_.size() >= count; });
    }
    std::vector<Exchange> exchanges() {
        std::lock_guard<std::mutex> lock(mutex_);
        return exchanges_;
    }
    std::atomic<int> accepted{0};

  private:
    void serve() {
        while (!stop_) {
            LoopbackConnection connection = listener_.accept(50ms);
            if (!connection.valid()) {
                continue;
            }
            ++accepted;
            auto begin = std::chrono::steady_clock::now();
            Exchange exchange;
            exchange.request = connection.readUntil("\r\n\r\n").value_or("<no request>");
            if (reply_ == Reply::kHangUp) {
                connection.close();
                exchange.end = "hung up";
            } else {
                if (reply_ == Reply::kAnswer) {
                    connection.send(answer_);
                }
                for (size_t i = 0; reply_ == Reply::kTrickle && i < answer_.size() && !stop_; ++i) {
                    if (!connection.send(answer_.substr(i, 1))) {
                        break;
                    }
                    std::this_thread::sleep_for(100ms);
                }
                exchange.end = connection.waitEnd(15s);
            }
            exchange.lasted = std::chrono::steady_clock::now() - begin;
            std::lock_guard<std::mutex> lock(mutex_);
            exchanges_.push_back(exchange);
            changed_.notify_all();
        }
    }

    LoopbackListener listener_;
    const std::string answer_;
    const Reply reply_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Exchange> exchanges_;
    std::thread thread_;
};

class StatisticsDeliveryTest : public ::testing::Test {
  protected:
    StatisticsDeliveryTest() {
        InitStatistics(0);
        SetStatisticsTimeoutForTesting(3000);
    }
    ~StatisticsDeliveryTest() override {
        StopStatisticsSender();
        UnInitStatistics();
        SetStatisticsTimeoutForTesting(10000);
    }

    // Opens, fills and sends the page-load report to `port`.
    void SendLoadReport(uint16_t port) {
        SetCommonStatisticsString("hc", "hc-1");
        SetCommonStatisticsString("clt_ver", "5.0.1");
        SetCommonStatisticsInt("clt_type", 9);
        SetStatisticsServer("127.0.0.1", port);
        ASSERT_EQ(StartStatisticsSender(1), 0);
        ASSERT_EQ(BeginStatistics("studio_client_h5", "16"), STATISTICS_OK);
        SetStatisticsInt("studio_client_h5", "16", "type", 16);
        SetStatisticsString("studio_client_h5", "16", "uuid", "a&b=c");
        SetStatisticsInt("studio_client_h5", "16", "r", 0);
        ASSERT_EQ(SendStatistics("studio_client_h5", "16", false), STATISTICS_SEND_QUEUED);
    }

    std::string ExpectedRequest(uint16_t port) {
        return "POST /statistics.do?systemName=studio_client_h5&type=16&uuid=a&b=c&r=0"
               "&hc=hc-1&clt_ver=5.0.1&clt_type=9 HTTP/1.1\r\n"
               "Accept: */*\r\nHost: 127.0.0.1:" +
               std::to_string(port) +
               "\r\nConnection: close\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 0 \r\n\r\n";
    }

    // Waits for `count` exchanges and then makes sure no further attempt follows.
    std::vector<Exchange> Attempts(ScriptedServer& server, size_t count) {
        EXPECT_TRUE(server.waitFor(count));
        std::this_thread::sleep_for(300ms);
        auto exchanges = server.exchanges();
        EXPECT_EQ(exchanges.size(), count);
        EXPECT_EQ(server.accepted.load(), static_cast<int>(count));
        return exchanges;
    }
};

// Each scripted answer: how many attempts it draws, and how the client leaves the connection
// ("closed" when it read every byte it meant to, "reset" with the body left unread).
TEST_F(StatisticsDeliveryTest, AnswersDecideSuccessAndWhatIsRead) {
    const struct {
        std::string answer;
        size_t attempts;
        const char* end;
        Reply reply = Reply::kAnswer;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 1, "closed"},
        {"HTTP/1.1 204 No Content\r\n\r\n", 1, "closed"},
        {"HTTP/1.0 200 OK\r\n\r\n", 3, "closed"},
        {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\nerror", 3, "reset"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 600\r\n\r\n" + std::string(600, 'b'), 1, "reset"},
        // A small chunked body is read.
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n1f0\r\n" +
             std::string(0x1f0, 'x') + "\r\n0\r\n",
         1, "closed"},
        // The answer head must fit in the 2,048-byte request buffer.
        {"HTTP/1.1 200 OK\r\nX-Pad: " + std::string(2100, 'p') + "\r\n\r\n", 3, "reset"},
        {"", 3, "hung up", Reply::kHangUp},  // a server closing without an answer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 40));
        ScriptedServer server(c.answer, c.reply);
        SendLoadReport(server.port());
        for (const Exchange& exchange : Attempts(server, c.attempts)) {
            EXPECT_EQ(exchange.request, ExpectedRequest(server.port()));
            EXPECT_EQ(exchange.end, c.end);
        }
        StopStatisticsSender();
    }
}

// A server that never answers, and one that sends its answer a byte at a time: each attempt
// ends at the time-out, which bounds the whole answer and not each read of it.
TEST_F(StatisticsDeliveryTest, SlowServersAreBoundedByTheTimeout) {
    SetStatisticsTimeoutForTesting(400);
    for (Reply reply : {Reply::kSilence, Reply::kTrickle}) {
        ScriptedServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", reply);
        SendLoadReport(server.port());
        for (const Exchange& exchange : Attempts(server, 3)) {
            EXPECT_GE(exchange.lasted, 350ms);
            EXPECT_LT(exchange.lasted, 2s) << "the head took 3.8 s to trickle in";
        }
        StopStatisticsSender();
    }
}

// Stopping the sender during a delivery ends it after the attempt in progress, and drops the
// report queued after it.
TEST_F(StatisticsDeliveryTest, StopEndsTheDeliveryInProgress) {
    SetStatisticsTimeoutForTesting(300);
    ScriptedServer server("", Reply::kSilence);
    SendLoadReport(server.port());
    while (server.accepted.load() == 0) {
        std::this_thread::sleep_for(5ms);
    }
    BeginStatistics("later", nullptr);
    SendStatistics("later", nullptr, false);
    StopStatisticsSender();
    for (const Exchange& exchange : Attempts(server, 1)) {
        EXPECT_EQ(exchange.end, "closed");
    }
}

TEST_F(StatisticsDeliveryTest, NobodyListeningDropsTheReportAfterThreeAttempts) {
    testing::UnusedPort nobody;
    ::testing::internal::CaptureStdout();
    SendLoadReport(nobody.port());
    std::this_thread::sleep_for(500ms);
    std::string printed = ::testing::internal::GetCapturedStdout();
    std::string line = "oxdev_ip_connect_withtimeout 127.0.0.1 error\n";
    EXPECT_EQ(printed, line + line + line);
}

}  // namespace
}  // namespace orvex
