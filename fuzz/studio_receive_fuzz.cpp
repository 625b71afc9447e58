// Arbitrary bytes from the studio's end of the link into the framed receive: every message is
// read and its payload text taken until the stream ends or a receive fails.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "studio/studio_link_client.h"
#include "studio/studio_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // What one write can leave in a socket pair's buffer without a reader.
    size = std::min<size_t>(size, 64 * 1024);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        return 0;
    }
    int buffer = 256 * 1024;
    ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    ::setsockopt(ends[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    size_t written = 0;
    while (written < size) {
        ssize_t n = ::send(ends[1], data + written, size - written, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);  // the studio is gone after its bytes

    for (;;) {
        orvex::StudioMessage message;
        int result = orvex::ReceiveStudioMessage(ends[0], message, nullptr);
        if (result != orvex::STUDIO_RECV_COMPLETE) {
            break;
        }
        std::string text = message.text();
        if (text.size() > message.header.length) {
            __builtin_trap();
        }
    }
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
}
