#include "platform/net/socket_utils.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <string>

#include "platform/net/testing/loopback_peer.h"
#include "studio/testing/debug_log_recorder.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::DebugLogRecorder;
using testing::LoopbackListener;
using testing::UnusedPort;

constexpr uint32_t kLoopback = 0x7F000001;

int IntOption(int sock, int level, int name) {
    int value = -1;
    socklen_t length = sizeof value;
    ::getsockopt(sock, level, name, &value, &length);
    return value;
}

// A connected socket: blocking, keep-alive in whole seconds, a receive time-out that surfaces as
// the time-out error, and a send to a closed peer that fails without a signal.
TEST(StudioSocketsTest, ConnectedSocketFromOptionsToAClosedPeer) {
    LoopbackListener listener;
    ASSERT_TRUE(listener.valid());
    DebugLogRecorder log;
    SOCKET sock = CreateConnectedSocket(kLoopback, listener.port(), 0);
    ASSERT_NE(sock, kInvalidSocket);
    auto peer = listener.accept();
    EXPECT_TRUE(peer.valid());
    EXPECT_EQ(::fcntl(sock, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(IntOption(sock, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(IntOption(sock, IPPROTO_TCP, TCP_KEEPIDLE), 2);   // 2000 ms
    EXPECT_EQ(IntOption(sock, IPPROTO_TCP, TCP_KEEPINTVL), 1);  // 100 ms, rounded up
    EXPECT_EQ(IntOption(sock, SOL_SOCKET, SO_REUSEADDR), 1);
    EXPECT_EQ(log.text(), "");

    ASSERT_EQ(SetSocketTimeout(sock, SO_RCVTIMEO, 150), 0);
    char byte;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(SocketReceive(sock, &byte, 1), -1);
    EXPECT_TRUE(IsSocketTimeoutError(LastSocketError()));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 140ms);

    peer.close();
    std::string block(65536, 'x');
    long result = 0;
    for (int i = 0; i < 50 && result >= 0; ++i) {
        result = SocketSend(sock, block.data(), block.size());
    }
    EXPECT_EQ(result, -1);  // the process is still here: no SIGPIPE
    CloseSocket(sock);
}

// Each failure gives its failure value (the lines they print are in the diagnostic table).
TEST(StudioSocketsTest, Failures) {
    DebugLogRecorder log;
    // A refused connect shows as writable with a pending error: no line of its own.
    UnusedPort port;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(CreateConnectedSocket(kLoopback, port.port(), 0), kInvalidSocket);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 4s);
    EXPECT_EQ(log.text(), "");

    LoopbackListener listener;
    EXPECT_EQ(CreateBoundSocket(SOCK_STREAM, kLoopback, listener.port()), kInvalidSocket);
    EXPECT_EQ(CreateBoundSocket(12345, 0, 0), kInvalidSocket);
    EXPECT_EQ(SetSocketTimeout(-1, SO_RCVTIMEO, 200), -1);
    EXPECT_EQ(SetSocketBlockMode(-1, 1), -1);
    EXPECT_EQ(SetSocketKeepAlive(-1, 1, 2000, 100), -1);
    EXPECT_EQ(CloseSocket(-1), 0);

    // 192.0.2.1 is on no interface of this host: the bind fails.
    EXPECT_EQ(CreateConnectedSocket(kLoopback, 1, 0xC0000201), kInvalidSocket);
}

TEST(StudioSocketsTest, DottedAddresses) {
    EXPECT_EQ(ParseDottedAddress("127.0.0.1"), kLoopback);
    EXPECT_EQ(ParseDottedAddress("10.1.2.3"), 0x0A010203u);
    EXPECT_EQ(ParseDottedAddress("localhost"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseDottedAddress(nullptr), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace orvex
