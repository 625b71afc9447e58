#include "studio/studio_link_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/testing/loopback_peer.h"
#include "platform/win32/message_target.h"
#include "studio/testing/debug_log_recorder.h"
#include "studio/testing/link_window.h"

// The largest array allocation of this process, to show that an oversized announced length is
// refused before anything is allocated for it.
namespace {
std::atomic<size_t> largestArray{0};
}  // namespace

void* operator new[](size_t size) {
    size_t seen = largestArray.load();
    while (size > seen && !largestArray.compare_exchange_weak(seen, size)) {
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::DebugLogRecorder;
using testing::HelloWindow;
using testing::LoopbackConnection;
using testing::LoopbackListener;
using testing::ReceivedMessages;
using testing::UnusedPort;

const std::string kHello(12, '\0');

// A header with a slot the receiver ignores, and a whole frame.
std::string Header(int32_t type, uint32_t length) {
    unsigned char bytes[kStudioHeaderSize];
    EncodeStudioHeader({type, length, 0xDEADBEEF}, bytes);
    return std::string(reinterpret_cast<char*>(bytes), sizeof bytes);
}
std::string Frame(int32_t type, const std::string& payload) {
    return Header(type, static_cast<uint32_t>(payload.size())) + payload;
}

// The messages handed over so far, as "type:text" lines.
std::string Texts(const std::vector<ReceivedMessages::Message>& messages) {
    std::string out;
    for (const auto& [type, text] : messages) {
        out += std::to_string(type) + ":" + text + "\n";
    }
    return out;
}

class StudioLinkTest : public ::testing::Test {
  protected:
    ~StudioLinkTest() override {
        client.reset();
        UnregisterWindow(hwnd);
    }

    void StartClient(StudioLinkTiming timing = {10s, 200}, uint16_t port = 0) {
        client = std::make_unique<StudioLinkClient>(
            hwnd, StudioEndpoint{"127.0.0.1", port != 0 ? port : listener.port()},
            [this](int32_t type, const std::string& text) { messages.add(type, text); }, timing);
        window->client = client.get();
        client->start();
    }

    // The next connection of the client, after checking that it begins with the hello.
    LoopbackConnection AcceptWithHello(std::chrono::milliseconds limit = 5s) {
        LoopbackConnection connection = listener.accept(limit);
        EXPECT_TRUE(connection.valid());
        if (connection.valid()) {
            EXPECT_EQ(connection.read(12), kHello);
        }
        return connection;
    }

    // When each connection attempt in the log so far began.
    std::vector<DebugLogRecorder::Clock::time_point> Tries() {
        std::vector<DebugLogRecorder::Clock::time_point> tries;
        for (const auto& entry : log.entries()) {
            if (entry.text.starts_with("try to connect")) {
                tries.push_back(entry.at);
            }
        }
        return tries;
    }

    LoopbackListener listener;
    DebugLogRecorder log;
    std::shared_ptr<HelloWindow> window = std::make_shared<HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    ReceivedMessages messages;
    std::unique_ptr<StudioLinkClient> client;
};

// One link from the hello to the client's end: frames in every shape are handed over, sends
// leave byte for byte, an idle link stays quiet and destroying the client ends it promptly.
TEST_F(StudioLinkTest, OneConnectionFromHelloToShutdown) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    EXPECT_EQ(window->connectedPosts.load(), 1);
    EXPECT_TRUE(client->isConnected());

    // A header split at every offset is reassembled.
    std::string expected;
    for (size_t split = 1; split < kStudioHeaderSize; ++split) {
        std::string frame = Frame(1, "{\"n\":" + std::to_string(split) + "}" + '\0');
        ASSERT_TRUE(studio.send(frame.substr(0, split)));
        std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(studio.send(frame.substr(split)));
        ASSERT_TRUE(messages.waitFor(split)) << "split at " << split;
        expected += "1:{\"n\":" + std::to_string(split) + "}\n";
    }

    // A payload in pieces: header and 5 payload bytes, then 10, 10 and the last 6.
    const std::string text = R"({"serial":"A1","channelNo":12})";
    std::string frame = Frame(2, text + '\0');
    for (auto [from, count] : {std::pair{0, 17}, {17, 10}, {27, 10}, {37, 6}}) {
        ASSERT_TRUE(studio.send(frame.substr(from, count)));
        std::this_thread::sleep_for(60ms);
    }
    ASSERT_TRUE(messages.waitFor(12));
    expected += "2:" + text + "\n";

    // Type -1 with a payload, type 1 with length 0, type 2 without its NUL (the text is every
    // byte): all handed over as they are.
    ASSERT_TRUE(studio.send(Frame(-1, "0123456789") + Frame(1, "") +
                            Frame(2, R"({"serial":"B7"})") + Frame(0, "") +
                            Frame(1, std::string("{}\0", 3))));
    ASSERT_TRUE(messages.waitFor(17));
    expected += "-1:0123456789\n1:\n2:{\"serial\":\"B7\"}\n0:\n1:{}\n";
    EXPECT_EQ(Texts(messages.all()), expected);

    // A send leaves as it is given; nothing or no bytes send nothing.
    std::vector<char> message = BuildStudioTextMessage(1, R"({"cloudCfgName":"Night"})");
    client->send(message.data(), message.size());
    EXPECT_EQ(studio.read(message.size()), std::string(message.begin(), message.end()));
    client->send(nullptr, 5);
    client->send("abc", 0);

    // Idle for six receive time-outs: no bytes, no reconnection.
    EXPECT_TRUE(studio.staysQuiet(1200ms));
    EXPECT_FALSE(listener.accept(0ms).valid());
    EXPECT_EQ(window->connectedPosts.load(), 1);

    auto begin = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(studio.waitEnd(), "closed");
}

// Each receive error closes the link and reconnects at once with a new hello (the pause after a
// failed connect is 10 s here): an invalid type, a length over the limit (refused before anything
// is allocated for it), and a studio going away in the middle of a payload of exactly the limit.
TEST_F(StudioLinkTest, ReceiveErrorsReconnectAtOnceWithANewHello) {
    StartClient();
    LoopbackConnection first = AcceptWithHello();
    ASSERT_TRUE(first.send(Frame(7, "")));
    EXPECT_EQ(first.waitEnd(), "closed");
    LoopbackConnection second = AcceptWithHello(3s);

    largestArray = 0;
    ASSERT_TRUE(second.send(Header(1, kMaxStudioPayload + 1)));
    EXPECT_EQ(second.waitEnd(), "closed");
    LoopbackConnection third = AcceptWithHello(3s);
    EXPECT_LT(largestArray.load(), size_t{1} << 20);

    // The limit itself is accepted: the block is set aside and filled as bytes arrive, and the
    // link stays up until the studio closes it.
    ASSERT_TRUE(third.send(Header(1, kMaxStudioPayload) + "abc"));
    for (int i = 0; i < 500 && largestArray.load() < kMaxStudioPayload; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(largestArray.load(), size_t{kMaxStudioPayload});
    EXPECT_FALSE(listener.accept(0ms).valid());
    third.close();
    // Kept open while counting: closing it would start a fifth connection.
    LoopbackConnection fourth = AcceptWithHello(3s);
    EXPECT_TRUE(fourth.valid());
    EXPECT_EQ(window->connectedPosts.load(), 4);
    EXPECT_TRUE(messages.all().empty());
}

// Nobody listening: a try and a failure after each pause. A send meanwhile is dropped, not kept
// for the next connection.
TEST_F(StudioLinkTest, WithoutAStudioItTriesAfterEachPauseAndDropsSends) {
    const uint16_t port = listener.port();
    listener.close();
    StartClient({300ms, 200}, port);
    ASSERT_TRUE(log.waitFor("connect to orvex studio fail.\n", 4));
    const auto tries = Tries();
    for (size_t i = 1; i < tries.size(); ++i) {
        EXPECT_GE(tries[i] - tries[i - 1], 300ms);
        EXPECT_LT(tries[i] - tries[i - 1], 5300ms);
    }
    EXPECT_FALSE(client->isConnected());
    EXPECT_EQ(window->connectedPosts.load(), 0);
    std::vector<char> dropped = BuildStudioTextMessage(1, R"({"cloudCfgName":"lost"})");
    client->send(dropped.data(), dropped.size());

    LoopbackListener again(port);
    ASSERT_TRUE(again.valid());
    LoopbackConnection studio = again.accept();
    ASSERT_TRUE(studio.valid());
    EXPECT_EQ(studio.read(12), kHello);
    std::vector<char> kept = BuildStudioTextMessage(1, R"({"cloudCfgName":"kept"})");
    client->send(kept.data(), kept.size());
    EXPECT_EQ(studio.read(kept.size()), std::string(kept.begin(), kept.end()));
    EXPECT_TRUE(studio.staysQuiet(100ms));
}

// The program's own pause; a hello during it has no connection to go to.
TEST_F(StudioLinkTest, TheProgramPausesFiveSecondsAndAHelloMeanwhileFails) {
    UnusedPort nobody;
    StartClient(StudioLinkTiming{}, nobody.port());
    ASSERT_TRUE(log.waitFor("connect to orvex studio fail.\n"));
    const auto first = Tries().at(0);
    log.clear();
    client->sendHello();  // goes nowhere, and brings no connection attempt forward
    ASSERT_TRUE(log.waitFor("try to connect", 1, 12s));
    EXPECT_GE(Tries().at(0) - first, 5000ms);
    EXPECT_LT(Tries().at(0) - first, 10000ms);
}

}  // namespace
}  // namespace orvex
