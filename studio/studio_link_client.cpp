#include "studio/studio_link_client.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <thread>

#include "platform/win32/debug_output.h"
#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"

namespace orvex {
namespace {

// Writes one formatted line to the debug output, leaving the last socket error as it was.
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugLog(const char* format, ...) {
    int saved = errno;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutputDebugStringA(line);
    errno = saved;
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// Whether a failed receive only means that the socket's time-out ran out (or a signal came):
// the wait goes on.
bool KeepsWaiting(int error) {
    return IsSocketTimeoutError(error) || IsInterruptedError(error);
}

}  // namespace

int ReceiveStudioMessage(SOCKET sock, StudioMessage& message, const std::atomic<bool>* stop) {
    unsigned char head[kStudioHeaderSize];
    size_t got = 0;
    while (got < kStudioHeaderSize && !Stopped(stop)) {
        long count = SocketReceive(sock, head + got, kStudioHeaderSize - got);
        if (count > 0) {
            got += static_cast<size_t>(count);
        } else if (count == 0) {
            return STUDIO_RECV_CLOSED;
        } else if (int error = LastSocketError(); !KeepsWaiting(error)) {
            DebugLog("1-recv err: %d \n", error);
            return STUDIO_RECV_ERROR;
        }
    }
    if (Stopped(stop)) {
        return STUDIO_RECV_STOPPED;
    }
    StudioMessageHeader header = DecodeStudioHeader(head);
    if (header.type >= kFirstInvalidStudioType) {
        DebugLog("Invalid msg type(%d).\n", header.type);
        return STUDIO_RECV_ERROR;
    }
    if (header.length > kMaxStudioPayload) {
        DebugLog("Invalid msg length(%u).\n", header.length);
        return STUDIO_RECV_ERROR;
    }
    // The payload buffer is not cleared: untouched pages of a large announced length cost
    // nothing until the bytes arrive.
    auto payload = std::make_unique_for_overwrite<char[]>(header.length);
    if (header.length == 0) {
        message.header = header;
        message.payload = std::move(payload);
        return STUDIO_RECV_COMPLETE;
    }
    size_t done = 0;
    while (done < header.length && !Stopped(stop)) {
        size_t missing = header.length - done;
        long count = SocketReceive(sock, payload.get() + done, missing);
        if (count > 0) {
            if (static_cast<size_t>(count) < missing) {
                DebugLog("recv data not complete(%d, %d). \n", static_cast<int>(count),
                         static_cast<int>(missing));
            }
            done += static_cast<size_t>(count);
        } else if (count == 0) {
            return STUDIO_RECV_CLOSED;
        } else if (int error = LastSocketError(); !KeepsWaiting(error)) {
            DebugLog("recv data err : %d \n", error);
            return STUDIO_RECV_ERROR;
        }
    }
    if (done < header.length || Stopped(stop)) {
        return STUDIO_RECV_STOPPED;
    }
    header.dataSlot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(payload.get()));
    message.header = header;
    message.payload = std::move(payload);
    return STUDIO_RECV_COMPLETE;
}

StudioLinkClient::StudioLinkClient(HWND mainWindow, StudioEndpoint endpoint, MessageHandler handler,
                                   StudioLinkTiming timing)
    : mainWindow_(mainWindow),
      endpoint_(std::move(endpoint)),
      handler_(std::move(handler)),
      timing_(timing) {}

StudioLinkClient::~StudioLinkClient() {
    {
        std::lock_guard<std::mutex> lock(pauseMutex_);
        quit_ = true;
    }
    pauseWake_.notify_all();
    if (finished_.valid()) {
        finished_.wait();
    }
}

void StudioLinkClient::start() {
    std::promise<void> finished;
    finished_ = finished.get_future();
    std::thread([this, finished = std::move(finished)]() mutable {
        receiveLoop();
        // The last touch of the client: after this the destructor may free it.
        finished.set_value();
    }).detach();
}

void StudioLinkClient::receiveLoop() {
    while (!quit_) {
        if (!connect()) {
            pause(timing_.retryPause);
            continue;
        }
        PostMessageA(mainWindow_, WM_STUDIO_CONNECTED, 0, 0);
        while (!quit_) {
            StudioMessage message;
            int result = ReceiveStudioMessage(socket_.load(), message, &quit_);
            if (result == STUDIO_RECV_COMPLETE) {
                if (handler_) {
                    handler_(message.header.type, message.text());
                }
                continue;
            }
            if (result == STUDIO_RECV_STOPPED) {
                DebugLog("client Quit.\n");
            } else if (result == STUDIO_RECV_ERROR) {
                DebugLog("tcp recv msg fail: %d  %d\n", result, LastSocketError());
            } else {
                DebugLog("tcp recv socket is close.\n");
            }
            closeSocket();
            break;
        }
    }
    closeSocket();
}

bool StudioLinkClient::connect() {
    DebugLog("try to connect orvex studio %s %d \n", endpoint_.ip.c_str(), endpoint_.port);
    uint32_t ip = ParseDottedAddress(endpoint_.ip.c_str());
    SOCKET sock = CreateConnectedSocket(ip, endpoint_.port, 0);
    if (sock != kInvalidSocket &&
        SetSocketTimeout(sock, SO_RCVTIMEO, timing_.receiveTimeoutMs) != 0) {
        DebugLog("Setup connect socket recv timeout fail(%d).\n", LastSocketError());
        CloseSocket(sock);
        sock = kInvalidSocket;
    }
    // The flag is set before the line is written, so a reader of the log sees it settled.
    if (sock == kInvalidSocket) {
        connected_ = false;
        DebugLog("connect to orvex studio fail.\n");
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(sendLock_);
        socket_ = sock;
    }
    connected_ = true;
    DebugLog("\n connect to orvex studio succ.\n");
    return true;
}

void StudioLinkClient::closeSocket() {
    std::lock_guard<std::mutex> lock(sendLock_);
    SOCKET sock = socket_.exchange(kInvalidSocket);
    if (sock != kInvalidSocket) {
        CloseSocket(sock);
    }
}

void StudioLinkClient::pause(std::chrono::milliseconds duration) {
    std::unique_lock<std::mutex> lock(pauseMutex_);
    pauseWake_.wait_for(lock, duration, [this] { return quit_.load(); });
}

void StudioLinkClient::sendHello() {
    unsigned char head[kStudioHeaderSize];
    StudioMessageHeader header;
    header.type = STUDIO_MSG_HELLO;
    EncodeStudioHeader(header, head);
    long sent;
    int error;
    {
        std::lock_guard<std::mutex> lock(sendLock_);
        sent = SocketSend(socket_.load(), head, sizeof head);
        error = LastSocketError();
    }
    if (sent == static_cast<long>(sizeof head)) {
        DebugLog("Send  hello msg to orvex succ\n");
    } else {
        DebugLog("Send  hello msg(%u) to orvex fail(%d).\n", static_cast<uint32_t>(header.type),
                 error);
    }
}

void StudioLinkClient::send(const char* bytes, size_t count) {
    if (bytes == nullptr || count == 0 || !connected_) {
        return;
    }
    std::lock_guard<std::mutex> lock(sendLock_);
    SocketSend(socket_.load(), bytes, count);
}

}  // namespace orvex
