// StudioLinkClient: the program's TCP link to the studio, kept up for the life of the process,
// reading framed messages on a receive thread of its own and sending the program's messages.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <string>

#include "platform/net/socket_utils.h"
#include "platform/win32/win_types.h"
#include "studio/studio_message.h"

namespace orvex {

// Where the studio listens. The program uses the defaults; tests pass another port.
struct StudioEndpoint {
    std::string ip = "127.0.0.1";
    uint16_t port = 5905;
};

// The link's pauses. The program uses the defaults; tests may shorten them.
struct StudioLinkTiming {
    // Pause after a failed connection attempt.
    std::chrono::milliseconds retryPause{5000};
    // Receive time-out of the socket: how often a wait inside a receive looks at the quit flag.
    uint32_t receiveTimeoutMs = 200;
};

// Results of ReceiveStudioMessage.
enum StudioReceiveResult : int {
    STUDIO_RECV_COMPLETE = 0,
    STUDIO_RECV_ERROR = 1,
    STUDIO_RECV_CLOSED = 2,
    STUDIO_RECV_STOPPED = 3,
};

// Reads one framed message from `sock`. Receive time-outs are not errors: the wait goes on
// until the message is complete or `stop` (which may be null: never stop) is set. A type of 4
// or more and a length over kMaxStudioPayload are errors; nothing is allocated for them.
// Logs its lines to the debug output. Called by the socket's single reader.
int ReceiveStudioMessage(SOCKET sock, StudioMessage& message, const std::atomic<bool>* stop);

class StudioLinkClient {
  public:
    // Receives the type and payload text of every complete message, on the receive thread.
    using MessageHandler = std::function<void(int32_t type, const std::string& text)>;

    // The program's client: 127.0.0.1:5905, default pauses, messages handed to
    // DataManager::onStudioMessage. GUI thread.
    explicit StudioLinkClient(HWND mainWindow);
    // A client for another endpoint and handler (tests, the lab). Any thread.
    StudioLinkClient(HWND mainWindow, StudioEndpoint endpoint, MessageHandler handler,
                     StudioLinkTiming timing = {});
    // Asks the receive loop to end and waits until it has (at most a connect wait, a receive
    // time-out or the handler in progress). The program never destroys its client.
    ~StudioLinkClient();
    StudioLinkClient(const StudioLinkClient&) = delete;
    StudioLinkClient& operator=(const StudioLinkClient&) = delete;

    // Starts the receive thread (detached). Once, on the thread that created the client.
    void start();
    // Sends the 12-byte hello, whatever the connected flag says. GUI thread (on
    // WM_STUDIO_CONNECTED); safe beside the receive thread.
    void sendHello();
    // One send of the whole buffer when it is not empty and the last connection attempt
    // succeeded; otherwise the message is dropped. The outcome is not reported. Any thread.
    void send(const char* bytes, size_t count);
    // The result of the last connection attempt. Any thread.
    bool isConnected() const { return connected_.load(); }

  private:
    void receiveLoop();
    bool connect();
    void closeSocket();
    void pause(std::chrono::milliseconds duration);

    const HWND mainWindow_;
    const StudioEndpoint endpoint_;
    const MessageHandler handler_;
    const StudioLinkTiming timing_;

    std::atomic<SOCKET> socket_{kInvalidSocket};
    std::atomic<bool> quit_{false};
    std::atomic<bool> connected_{false};
    // Serialises sends, and the receive thread's replacing or closing of the socket, so a send
    // never reaches a descriptor number that has been closed and reused.
    std::mutex sendLock_;

    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    std::future<void> finished_;  // ready when the receive loop has returned
};

}  // namespace orvex
