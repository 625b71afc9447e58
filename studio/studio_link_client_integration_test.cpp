#include "studio/studio_link_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/message_target.h"
#include "studio/testing/debug_log_recorder.h"
#include "studio/testing/link_window.h"
#include "studio/testing/loopback_peer.h"

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

    // Forgets the log so far, once the hello's own line has been written.
    void ClearLogAfterHello() {
        EXPECT_TRUE(log.waitFor("Send  hello msg to orvex succ\n"));
        log.clear();
    }

    LoopbackListener listener;
    DebugLogRecorder log;
    std::shared_ptr<HelloWindow> window = std::make_shared<HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    ReceivedMessages messages;
    std::unique_ptr<StudioLinkClient> client;
};

TEST_F(StudioLinkTest, ConnectsAnnouncesTheConnectionAndSendsTheHello) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ASSERT_TRUE(log.waitFor("Send  hello msg to orvex succ\n"));
    EXPECT_EQ(log.text(),
              "try to connect orvex studio 127.0.0.1 " + std::to_string(listener.port()) +
                  " \n\n connect to orvex studio succ.\nSend  hello msg to orvex succ\n");
    EXPECT_EQ(window->connectedPosts.load(), 1);
    EXPECT_TRUE(client->isConnected());
}

TEST_F(StudioLinkTest, HeaderSplitAtEveryOffsetIsReassembledSilently) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ClearLogAfterHello();
    for (size_t split = 1; split < kStudioHeaderSize; ++split) {
        std::string frame = Frame(1, "{\"n\":" + std::to_string(split) + "}" + '\0');
        ASSERT_TRUE(studio.send(frame.substr(0, split)));
        std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(studio.send(frame.substr(split)));
        ASSERT_TRUE(messages.waitFor(split)) << "split at " << split;
    }
    std::string expected;
    for (size_t split = 1; split < kStudioHeaderSize; ++split) {
        expected += "1:{\"n\":" + std::to_string(split) + "}\n";
    }
    EXPECT_EQ(Texts(messages.all()), expected);
    EXPECT_EQ(log.text(), "");  // no piece lines, no reconnection
}

TEST_F(StudioLinkTest, PayloadInPiecesLogsOneLinePerPieceBeforeTheLast) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ClearLogAfterHello();
    const std::string text = R"({"serial":"A1","channelNo":12})";
    std::string frame = Frame(2, text + '\0');
    // Header and 5 payload bytes, then 10, 10 and the last 6.
    for (auto [from, count] : {std::pair{0, 17}, {17, 10}, {27, 10}, {37, 6}}) {
        ASSERT_TRUE(studio.send(frame.substr(from, count)));
        std::this_thread::sleep_for(60ms);
    }
    ASSERT_TRUE(messages.waitFor(1));
    EXPECT_EQ(messages.all()[0], std::make_pair(int32_t{2}, text));
    EXPECT_EQ(log.text(),
              "recv data not complete(5, 31). \n"
              "recv data not complete(10, 26). \n"
              "recv data not complete(10, 16). \n");
}

TEST_F(StudioLinkTest, InvalidTypeClosesAndReconnectsAtOnceWithANewHello) {
    StartClient({10s, 200});  // a reconnection after the pause would come far too late
    LoopbackConnection first = AcceptWithHello();
    ASSERT_TRUE(first.send(Frame(7, "")));
    EXPECT_EQ(first.waitEnd(), "closed");
    LoopbackConnection second = AcceptWithHello(3s);
    EXPECT_TRUE(second.valid());
    EXPECT_NE(log.text().find("Invalid msg type(7).\ntcp recv msg fail: 1  "), std::string::npos);
    EXPECT_EQ(log.count("try to connect orvex studio"), 2u);
    EXPECT_EQ(window->connectedPosts.load(), 2);
    EXPECT_TRUE(messages.all().empty());
}

// Type -1 with a payload, type 1 with length 0, type 2 without its NUL (the text is every
// byte): all handed over as they are, and the link stays up.
TEST_F(StudioLinkTest, OtherTypesEmptyAndUnterminatedPayloadsAreHandedOver) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ASSERT_TRUE(studio.send(Frame(-1, "0123456789") + Frame(1, "") +
                            Frame(2, R"({"serial":"B7"})") + Frame(0, "") +
                            Frame(1, std::string("{}\0", 3))));
    ASSERT_TRUE(messages.waitFor(5));
    EXPECT_EQ(Texts(messages.all()), "-1:0123456789\n1:\n2:{\"serial\":\"B7\"}\n0:\n1:{}\n");
    EXPECT_EQ(log.count("try to connect"), 1u);
    EXPECT_EQ(log.count("tcp recv"), 0u);
}

TEST_F(StudioLinkTest, LengthOverTheLimitIsAReceiveErrorWithoutAllocation) {
    StartClient();
    LoopbackConnection first = AcceptWithHello();
    largestArray = 0;
    ASSERT_TRUE(first.send(Header(1, kMaxStudioPayload + 1)));
    EXPECT_EQ(first.waitEnd(), "closed");
    LoopbackConnection second = AcceptWithHello(3s);
    EXPECT_NE(log.text().find("Invalid msg length(67108865).\ntcp recv msg fail: 1  "),
              std::string::npos);
    EXPECT_LT(largestArray.load(), size_t{1} << 20);

    // The limit itself is accepted: the block is set aside and filled as bytes arrive, here
    // until the studio goes away in the middle of the payload.
    ASSERT_TRUE(second.send(Header(1, kMaxStudioPayload) + "abc"));
    ASSERT_TRUE(log.waitFor("recv data not complete(3, 67108864). \n"));
    second.close();
    ASSERT_TRUE(log.waitFor("tcp recv socket is close.\n"));
    EXPECT_EQ(largestArray.load(), size_t{kMaxStudioPayload});
    EXPECT_TRUE(AcceptWithHello(3s).valid());
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(StudioLinkTest, PeerClosingMidPayloadReconnectsAtOnce) {
    StartClient();
    LoopbackConnection first = AcceptWithHello();
    ASSERT_TRUE(first.send(Header(2, 20) + "01234"));
    ASSERT_TRUE(log.waitFor("recv data not complete(5, 20). \n"));
    first.close();
    LoopbackConnection second = AcceptWithHello(3s);
    EXPECT_TRUE(second.valid());
    EXPECT_EQ(log.count("tcp recv socket is close.\n"), 1u);
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(StudioLinkTest, IdleLinkStaysQuiet) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ClearLogAfterHello();
    EXPECT_TRUE(studio.staysQuiet(1200ms));  // six receive time-outs
    EXPECT_EQ(log.text(), "");
    EXPECT_FALSE(listener.accept(0ms).valid());
    EXPECT_EQ(window->connectedPosts.load(), 1);
}

TEST_F(StudioLinkTest, NoStudioListeningTriesAgainAfterEachPause) {
    UnusedPort nobody;
    StartClient({300ms, 200}, nobody.port());
    ASSERT_TRUE(log.waitFor("connect to orvex studio fail.\n", 4));
    std::vector<DebugLogRecorder::Clock::time_point> tries;
    std::string expected;
    for (const auto& entry : log.entries()) {
        if (entry.text.starts_with("try to connect")) {
            tries.push_back(entry.at);
        }
    }
    for (size_t i = 1; i < tries.size(); ++i) {
        EXPECT_GE(tries[i] - tries[i - 1], 300ms);
        EXPECT_LT(tries[i] - tries[i - 1], 5300ms);
    }
    std::string text = log.text();
    std::string pair = "try to connect orvex studio 127.0.0.1 " + std::to_string(nobody.port()) +
                       " \nconnect to orvex studio fail.\n";
    EXPECT_EQ(text.substr(0, pair.size() * 4), pair + pair + pair + pair);
    EXPECT_FALSE(client->isConnected());
    EXPECT_EQ(window->connectedPosts.load(), 0);
}

TEST_F(StudioLinkTest, NoStudioListeningKeepsTheProgramsFiveSecondPause) {
    UnusedPort nobody;
    StartClient(StudioLinkTiming{}, nobody.port());
    ASSERT_TRUE(log.waitFor("try to connect", 2, 12s));
    std::vector<DebugLogRecorder::Clock::time_point> tries;
    for (const auto& entry : log.entries()) {
        if (entry.text.starts_with("try to connect")) {
            tries.push_back(entry.at);
        }
    }
    ASSERT_GE(tries.size(), 2u);
    EXPECT_GE(tries[1] - tries[0], 5000ms);
    EXPECT_LT(tries[1] - tries[0], 10000ms);
}

TEST_F(StudioLinkTest, SendsTextMessagesByteForByte) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    for (auto [type, text] : {std::pair{1, std::string(R"({"cloudCfgName":"Night"})")},
                              {2, std::string(R"({"serial":"A1","channelNo":12})")}}) {
        std::vector<char> message = BuildStudioTextMessage(type, text);
        client->send(message.data(), message.size());
        auto got = studio.read(message.size());
        ASSERT_TRUE(got.has_value());
        std::string expected(message.begin(), message.end());
        EXPECT_EQ(got->substr(0, 8), expected.substr(0, 8));
        EXPECT_EQ(got->substr(12), text + '\0');
    }
    client->send(nullptr, 5);
    client->send("abc", 0);
    EXPECT_TRUE(studio.staysQuiet(100ms));
}

TEST_F(StudioLinkTest, SendWhileNotConnectedIsDropped) {
    StartClient({300ms, 200});
    uint16_t port = listener.port();
    LoopbackConnection first = AcceptWithHello();
    listener.close();
    first.close();
    ASSERT_TRUE(log.waitFor("connect to orvex studio fail.\n"));
    ASSERT_FALSE(client->isConnected());
    std::vector<char> dropped = BuildStudioTextMessage(1, R"({"cloudCfgName":"lost"})");
    client->send(dropped.data(), dropped.size());

    LoopbackListener again(port);
    ASSERT_TRUE(again.valid());
    LoopbackConnection second = again.accept();
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(second.read(12), kHello);
    std::vector<char> kept = BuildStudioTextMessage(1, R"({"cloudCfgName":"kept"})");
    client->send(kept.data(), kept.size());
    auto got = second.read(kept.size());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->substr(12), std::string(R"({"cloudCfgName":"kept"})") + '\0');
    EXPECT_TRUE(second.staysQuiet(100ms));
}

TEST_F(StudioLinkTest, HelloWithoutAConnectionIsLoggedAsFailed) {
    UnusedPort nobody;
    StartClient({10s, 200}, nobody.port());
    ASSERT_TRUE(log.waitFor("connect to orvex studio fail.\n"));
    log.clear();
    client->sendHello();
    EXPECT_EQ(log.text(), "Send  hello msg(0) to orvex fail(" + std::to_string(EBADF) + ").\n");
}

TEST_F(StudioLinkTest, DestroyingTheClientEndsTheLoopPromptly) {
    StartClient();
    LoopbackConnection studio = AcceptWithHello();
    ASSERT_TRUE(log.waitFor("Send  hello msg to orvex succ\n"));
    std::this_thread::sleep_for(100ms);  // the receive thread is waiting for a message
    auto begin = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(log.count("client Quit.\n"), 1u);
    EXPECT_EQ(studio.waitEnd(), "closed");
}

}  // namespace
}  // namespace orvex
