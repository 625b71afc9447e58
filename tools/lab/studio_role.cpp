// orvex-lab studio: plays the studio. Listens for the program's link, sends the group message
// of a fleet, a current camera, a quit or any frame on command, and records every message the
// program sends as a JSON line.
#include <atomic>
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>

#include "platform/net/socket_utils.h"
#include "platform/net/tcp_socket.h"
#include "studio/studio_link_client.h"
#include "studio/studio_message.h"
#include "support/json_text.h"
#include "tools/lab/fleet.h"
#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"

namespace orvex::lab {
namespace {

using namespace std::chrono_literals;

// One connection of the program: a reader thread records what arrives; commands send on it.
struct StudioConnection {
    int id = 0;
    net::Socket socket;
    std::mutex sendLock;
    std::atomic<bool> open{true};
    std::atomic<bool> closedByLab{false};
    std::thread reader;
};

const char* KindOf(int32_t type) {
    switch (type) {
        case STUDIO_MSG_HELLO:
            return "hello";
        case STUDIO_MSG_CONFIG_NAME:
            return "configName";
        case STUDIO_MSG_CAMERA:
            return "camera";
        default:
            return "other";
    }
}

// A studio text message: the JSON text and its NUL.
std::string TextFrame(int32_t type, const std::string& text) {
    std::vector<char> frame = BuildStudioTextMessage(type, text);
    return std::string(frame.begin(), frame.end());
}

// Hex digits (blanks between them allowed) to bytes; nothing when the text is not hex.
std::optional<std::string> HexBytes(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        digits += c;
    }
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

class StudioRole {
  public:
    StudioRole(std::shared_ptr<const Fleet> fleet, std::string currentCamera, bool sendOnHello)
        : fleet_(std::move(fleet)),
          currentCamera_(std::move(currentCamera)),
          sendOnHello_(sendOnHello) {}

    int run(const std::string& host, uint16_t port) {
        net::Socket listener = net::ListenTcp(host, port);
        if (!listener.valid()) {
            EmitError("cannot listen on " + host + ":" + std::to_string(port));
            return 1;
        }
        Json::Value listening;
        listening["event"] = "listening";
        listening["role"] = "studio";
        listening["host"] = host;
        listening["port"] = net::LocalPort(listener);
        EmitEvent(listening);

        StartCommandReader([this](const std::string& line) { command(line); }, false);
        std::thread acceptor([&] {
            while (!stop_) {
                net::Socket socket = net::AcceptTcp(listener, 200ms);
                if (socket.valid()) {
                    adopt(std::move(socket));
                }
            }
        });
        WaitForStop();
        stop_ = true;
        acceptor.join();
        std::vector<std::shared_ptr<StudioConnection>> connections;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connections = connections_;
        }
        for (auto& connection : connections) {
            connection->reader.join();
        }
        return 0;
    }

  private:
    void adopt(net::Socket socket) {
        // Blocking with a receive time-out: the reader looks at stop_ this often.
        SetSocketBlockMode(socket.fd(), 0);
        SetSocketTimeout(socket.fd(), SO_RCVTIMEO, 200);
        auto connection = std::make_shared<StudioConnection>();
        connection->socket = std::move(socket);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connection->id = ++lastId_;
            connections_.push_back(connection);
        }
        Json::Value event;
        event["event"] = "connected";
        event["connection"] = connection->id;
        EmitEvent(event);
        connection->reader = std::thread([this, connection] { read(*connection); });
    }

    void read(StudioConnection& connection) {
        for (;;) {
            StudioMessage message;
            int result = ReceiveStudioMessage(connection.socket.fd(), message, &stop_);
            if (result != STUDIO_RECV_COMPLETE) {
                connection.open = false;
                Json::Value event;
                event["event"] = "closed";
                event["connection"] = connection.id;
                event["reason"] = connection.closedByLab          ? "closed by the lab"
                                  : result == STUDIO_RECV_CLOSED  ? "peer closed"
                                  : result == STUDIO_RECV_STOPPED ? "stopped"
                                                                  : "receive error";
                EmitEvent(event);
                std::lock_guard<std::mutex> lock(connection.sendLock);
                connection.socket.close();
                return;
            }
            Json::Value event;
            event["event"] = "received";
            event["connection"] = connection.id;
            event["type"] = message.header.type;
            event["length"] = message.header.length;
            event["kind"] = KindOf(message.header.type);
            std::string text = message.text();
            event["text"] = text;
            Json::Value parsed;
            if (!text.empty() && ParseJson(text, parsed)) {
                event["json"] = parsed;
            }
            EmitEvent(event, true);
            if (message.header.type == STUDIO_MSG_HELLO && sendOnHello_) {
                greet(connection);
            }
        }
    }

    // After a hello: the group message, then the current camera when one was named.
    void greet(StudioConnection& connection) {
        if (std::shared_ptr<const Fleet> groups = fleet()) {
            send(connection, "groups",
                 TextFrame(STUDIO_MSG_GROUP_INFO, WriteJson(GroupMessage(*groups))));
        }
        if (!currentCamera_.empty()) {
            std::string word, rest;
            SplitCommand(currentCamera_, word, rest);
            sendCamera(&connection, word, rest);
        }
    }

    std::shared_ptr<StudioConnection> current() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.rbegin(); it != connections_.rend(); ++it) {
            if ((*it)->open) {
                return *it;
            }
        }
        return nullptr;
    }

    void send(StudioConnection& connection, const std::string& what, const std::string& bytes) {
        bool sent;
        {
            std::lock_guard<std::mutex> lock(connection.sendLock);
            sent = connection.socket.valid() &&
                   net::SendAll(connection.socket, bytes.data(), bytes.size(), net::kNoDeadline) ==
                       net::IoResult::kOk;
        }
        if (!sent) {
            EmitError("the connection is gone", what);
            return;
        }
        Json::Value event;
        event["event"] = "sent";
        event["command"] = what;
        event["connection"] = connection.id;
        event["bytes"] = static_cast<Json::UInt64>(bytes.size());
        EmitEvent(event);
    }

    void sendCamera(StudioConnection* connection, const std::string& serial,
                    const std::string& channel) {
        std::shared_ptr<const Fleet> cameras = fleet();
        if (!cameras) {
            EmitError("no fleet loaded (--fleet or \"groups FILE\")", "camera");
            return;
        }
        std::optional<int> channelNo;
        if (!channel.empty()) {
            try {
                channelNo = std::stoi(channel);
            } catch (const std::exception&) {
                EmitError("channel \"" + channel + "\" is not a number", "camera");
                return;
            }
        }
        const FleetCamera* camera = FindFleetCamera(*cameras, serial, channelNo);
        if (camera == nullptr) {
            EmitError("no camera " + serial + " " + channel + " in the fleet", "camera");
            return;
        }
        send(*connection, "camera",
             TextFrame(STUDIO_MSG_CAMERA, WriteJson(StudioCameraObject(*camera))));
    }

    void command(const std::string& line) {
        std::string word, rest;
        SplitCommand(line, word, rest);
        std::shared_ptr<StudioConnection> connection = current();
        if (word == "groups" && !rest.empty()) {
            Fleet fleet;
            std::string error;
            if (!LoadFleet(rest, fleet, error)) {
                EmitError(error, word);
                return;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            fleet_ = std::make_shared<const Fleet>(std::move(fleet));
        }
        if (word != "groups" && word != "camera" && word != "quit" && word != "text" &&
            word != "frame" && word != "close") {
            EmitError("unknown command \"" + word + "\"", word);
            return;
        }
        if (!connection) {
            EmitError("no program is connected", word);
            return;
        }
        if (word == "groups") {
            std::shared_ptr<const Fleet> groups = fleet();
            if (!groups) {
                EmitError("no fleet loaded (--fleet or \"groups FILE\")", word);
                return;
            }
            send(*connection, word,
                 TextFrame(STUDIO_MSG_GROUP_INFO, WriteJson(GroupMessage(*groups))));
        } else if (word == "camera") {
            std::string serial, channel;
            SplitCommand(rest, serial, channel);
            sendCamera(connection.get(), serial, channel);
        } else if (word == "quit") {
            send(*connection, word, TextFrame(STUDIO_MSG_QUIT, ""));
        } else if (word == "text") {
            std::string type, text;
            SplitCommand(rest, type, text);
            try {
                send(*connection, word, TextFrame(std::stoi(type), text));
            } catch (const std::exception&) {
                EmitError("usage: text TYPE TEXT", word);
            }
        } else if (word == "frame") {
            std::optional<std::string> bytes = HexBytes(rest);
            if (!bytes || bytes->empty()) {
                EmitError("usage: frame HEX (pairs of hex digits)", word);
                return;
            }
            send(*connection, word, *bytes);
        } else if (word == "close") {
            std::lock_guard<std::mutex> lock(connection->sendLock);
            connection->open = false;
            connection->closedByLab = true;
            connection->socket.shutdownBoth();  // the reader reports the end
        }
    }

    std::shared_ptr<const Fleet> fleet() {
        std::lock_guard<std::mutex> lock(mutex_);
        return fleet_;
    }

    std::shared_ptr<const Fleet> fleet_;  // guarded by mutex_; replaced by "groups FILE"
    const std::string currentCamera_;
    const bool sendOnHello_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    int lastId_ = 0;
    std::vector<std::shared_ptr<StudioConnection>> connections_;
};

int RunStudio(const std::vector<std::string>& args) {
    PrepareStopSignals();
    std::string error;
    auto options = LabOptions::Parse(args, {"host", "port", "fleet", "record", "camera"},
                                     {"send-on-hello"}, error);
    std::optional<long> port = options ? options->number("port", 5905) : std::nullopt;
    if (!options || !port || *port < 0 || *port > 65535) {
        EmitError(options ? "--port takes a number from 0 to 65535" : error);
        return 2;
    }
    std::shared_ptr<const Fleet> fleet;
    if (options->has("fleet")) {
        Fleet loaded;
        if (!LoadFleet(options->get("fleet"), loaded, error)) {
            EmitError(error);
            return 2;
        }
        fleet = std::make_shared<const Fleet>(std::move(loaded));
    }
    if (options->has("record") && !OpenRecordFile(options->get("record"))) {
        EmitError("cannot open the record file " + options->get("record"));
        return 2;
    }
    StudioRole role(std::move(fleet), options->get("camera"), options->has("send-on-hello"));
    return role.run(options->get("host", "127.0.0.1"), static_cast<uint16_t>(*port));
}

}  // namespace

ORVEX_LAB_ROLE("studio",
               "[--host 127.0.0.1] [--port 5905] [--fleet FILE] [--record FILE]\n"
               "         [--send-on-hello] [--camera \"SERIAL [CHANNEL]\"]\n"
               "         stdin: groups [FILE] | camera SERIAL [CHANNEL] | quit | text TYPE TEXT |\n"
               "                frame HEX | close | exit",
               RunStudio);

}  // namespace orvex::lab
