#include "platform/net/host_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/testing/loopback_peer.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackListener;
using testing::UnusedPort;

sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

timeval TimeoutOption(int sock, int option) {
    timeval value{};
    socklen_t length = sizeof value;
    ::getsockopt(sock, SOL_SOCKET, option, &value, &length);
    return value;
}

// What `run` prints on standard output and standard error.
struct Printed {
    std::string out, err;
};
template <typename F>
Printed Capture(F&& run) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run();
    std::string out = ::testing::internal::GetCapturedStdout();
    return {out, ::testing::internal::GetCapturedStderr()};
}

// A connected pair: the client end of host_connection's making and the accepted end.
struct Pair {
    LoopbackListener listener;
    SOCKET client = -1;
    testing::LoopbackConnection peer;
    Pair() {
        client = oxdev_ip_connect_withtimeout("127.0.0.1", listener.port());
        peer = listener.accept();
    }
    ~Pair() { CloseSocket(client); }
};

// A listener whose accept queue is full: a further connect stays pending (the SYN is dropped).
struct FullListener {
    LoopbackListener listener{0, "127.0.0.1", 0};
    std::vector<int> fillers;
    FullListener() {
        for (int i = 0; i < 8; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            sockaddr_in address = LoopbackAddress(listener.port());
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers.push_back(fd);
            pollfd waiter{fd, POLLOUT, 0};
            if (::poll(&waiter, 1, 200) == 0) {
                break;  // this one is pending: the queue is full
            }
        }
    }
    ~FullListener() {
        for (int fd : fillers) {
            ::close(fd);
        }
    }
};

// One connection through both helpers: the socket's options, requests of no bytes, a block larger
// than a socket buffer, a receive time-out, and a peer that sends a little and closes.
TEST(HostConnectionTest, ConnectedSocketCarriesBytesUntilThePeerCloses) {
    Pair pair;
    ASSERT_GE(pair.client, 0);
    ASSERT_TRUE(pair.peer.valid());
    EXPECT_EQ(TimeoutOption(pair.client, SO_RCVTIMEO).tv_sec, 10);
    EXPECT_EQ(TimeoutOption(pair.client, SO_SNDTIMEO).tv_sec, 10);
    EXPECT_EQ(::fcntl(pair.client, F_GETFL) & O_NONBLOCK, 0);

    ASSERT_TRUE(pair.peer.send("z"));
    char buffer[10];
    Printed silent = Capture([&] {
        EXPECT_EQ(readn(pair.client, buffer, 0), 0);
        EXPECT_EQ(writen(pair.client, "q", 0), 0);
        EXPECT_EQ(readn(-1, buffer, 1), -1);
        EXPECT_EQ(writen(-1, "q", 1), -1);
        EXPECT_EQ(readn(-1, buffer, 0), -1);
    });
    EXPECT_EQ(silent.out + silent.err, "");
    EXPECT_EQ(readn(pair.client, buffer, 1), 1);  // the byte was still waiting
    EXPECT_EQ(buffer[0], 'z');
    EXPECT_TRUE(pair.peer.staysQuiet(50ms));  // nothing was written

    std::string block(300000, 'w');
    std::thread reader([&] { EXPECT_EQ(pair.peer.read(block.size()), block); });
    EXPECT_EQ(writen(pair.client, block.data(), block.size()), static_cast<long>(block.size()));
    reader.join();

    timeval shortWait{0, 100000};
    ::setsockopt(pair.client, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
    long result = 0;
    Printed nothing = Capture([&] { result = readn(pair.client, buffer, 4); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(nothing.err.rfind("readn error", 0), 0u) << nothing.err;
    ASSERT_TRUE(pair.peer.send("xy"));
    Printed some = Capture([&] { result = readn(pair.client, buffer, 4); });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(some.err.rfind("readn error", 0), 0u) << some.err;

    ASSERT_TRUE(pair.peer.send("abc"));
    pair.peer.close();
    Printed closed = Capture([&] { result = readn(pair.client, buffer, sizeof buffer); });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(closed.err.rfind("readn 0 error", 0), 0u) << closed.err;
    EXPECT_EQ(closed.out, "");
    Printed failed = Capture([&] {
        for (int i = 0; i < 50 && result > 0; ++i) {
            result = writen(pair.client, block.data(), block.size());
        }
    });
    EXPECT_EQ(result, -1);
    EXPECT_NE(failed.err.find("writen error"), std::string::npos);
}

TEST(HostConnectionTest, FailuresPrintTheirLines) {
    UnusedPort port;
    auto begin = std::chrono::steady_clock::now();
    Printed refused =
        Capture([&] { EXPECT_EQ(connect_server_withtimeout("127.0.0.1", port.port(), 5000), -1); });
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(refused.out, "");

    sockaddr_in address = LoopbackAddress(1);
    Printed printed = Capture([&] {
        EXPECT_EQ(oxdev_ip_connect_withtimeout("no-such-host.invalid", 80), -1);
        EXPECT_EQ(connect_server_withtimeout("", 80, 1000), -1);
        EXPECT_EQ(connect_server_withtimeout(nullptr, 80, 1000), -1);
        EXPECT_EQ(connect_with_timeout(-1, &address, 100), -1);
        EXPECT_EQ(connect_with_timeout(3, nullptr, 100), -1);
    });
    EXPECT_EQ(printed.out,
              "gethostbyname_r servername no-such-host.invalid failed\n"
              "oxdev_ip_connect_withtimeout no-such-host.invalid error\n"
              "param failed\nparam failed\n"
              "connect_with_timeout para error\nconnect_with_timeout para error\n");
}

TEST(HostConnectionTest, ConnectWithTimeoutWaitsAtMostItsTimeout) {
    FullListener full;
    int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = LoopbackAddress(full.listener.port());
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(connect_with_timeout(sock, &address, 2500), -1);
    auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(waited, 2400ms);
    EXPECT_LE(waited, 2500ms + 150ms);                  // scheduling slack only
    EXPECT_EQ(::fcntl(sock, F_GETFL) & O_NONBLOCK, 0);  // blocking again
    ::close(sock);

    // Without a time-out the connect blocks: it succeeds or is refused.
    LoopbackListener listener;
    sock = ::socket(AF_INET, SOCK_STREAM, 0);
    address = LoopbackAddress(listener.port());
    EXPECT_EQ(connect_with_timeout(sock, &address, kNoConnectTimeout), 0);
    EXPECT_TRUE(listener.accept().valid());
    ::close(sock);
    UnusedPort refused;
    sock = ::socket(AF_INET, SOCK_STREAM, 0);
    address = LoopbackAddress(refused.port());
    EXPECT_EQ(connect_with_timeout(sock, &address, kNoConnectTimeout), -1);
    ::close(sock);
}

}  // namespace
}  // namespace orvex
