// orvex-lab studio: plays the studio. Listens for the program's link, sends the group message
// of a fleet, a current camera, a quit or any frame on command, and records every message the
// program sends as a JSON line.
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "studio/studio_message.h"
#include "support/json_text.h"
#include "tools/lab/fleet.h"
#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"
#include "tools/studio/link/studio_frames.h"
#include "tools/studio/link/studio_link_server.h"

namespace orvex::lab {
namespace {

using studiohost::LinkClose;

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

const char* ReasonOf(LinkClose why) {
    switch (why) {
        case LinkClose::kClosedHere:
            return "closed by the lab";
        case LinkClose::kPeerClosed:
            return "peer closed";
        case LinkClose::kStopped:
            return "stopped";
        case LinkClose::kReceiveError:
            break;
    }
    return "receive error";
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

// The lab's studio: the shared studio link server, with every connection, message and send
// printed as an event, and commands from standard input.
class StudioRole {
  public:
    StudioRole(std::shared_ptr<const Fleet> fleet, std::string currentCamera, bool sendOnHello)
        : fleet_(std::move(fleet)),
          currentCamera_(std::move(currentCamera)),
          sendOnHello_(sendOnHello),
          server_(studiohost::LinkCallbacks{[](int connection) {
                                                Json::Value event;
                                                event["event"] = "connected";
                                                event["connection"] = connection;
                                                EmitEvent(event);
                                            },
                                            [this](int connection, const StudioMessage& message) {
                                                received(connection, message);
                                            },
                                            [](int connection, LinkClose why) {
                                                Json::Value event;
                                                event["event"] = "closed";
                                                event["connection"] = connection;
                                                event["reason"] = ReasonOf(why);
                                                EmitEvent(event);
                                            }}) {}

    int run(const std::string& host, uint16_t port) {
        std::string error;
        if (!server_.start(host, port, error)) {
            EmitError("cannot listen on " + host + ":" + std::to_string(port));
            return 1;
        }
        Json::Value listening;
        listening["event"] = "listening";
        listening["role"] = "studio";
        listening["host"] = host;
        listening["port"] = server_.port();
        EmitEvent(listening);

        StartCommandReader([this](const std::string& line) { command(line); }, false);
        WaitForStop();
        server_.stop();
        return 0;
    }

  private:
    void received(int connection, const StudioMessage& message) {
        Json::Value event;
        event["event"] = "received";
        event["connection"] = connection;
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

    // After a hello: the group message, then the current camera when one was named.
    void greet(int connection) {
        if (std::shared_ptr<const Fleet> groups = fleet()) {
            send(connection, "groups", studiohost::GroupFrame(GroupMessage(*groups)));
        }
        if (!currentCamera_.empty()) {
            std::string word, rest;
            SplitCommand(currentCamera_, word, rest);
            sendCamera(connection, word, rest);
        }
    }

    void send(int connection, const std::string& what, const std::string& bytes) {
        if (!server_.send(connection, bytes)) {
            EmitError("the connection is gone", what);
            return;
        }
        Json::Value event;
        event["event"] = "sent";
        event["command"] = what;
        event["connection"] = connection;
        event["bytes"] = static_cast<Json::UInt64>(bytes.size());
        EmitEvent(event);
    }

    void sendCamera(int connection, const std::string& serial, const std::string& channel) {
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
        send(connection, "camera", studiohost::CameraFrame(StudioCameraObject(*camera)));
    }

    void command(const std::string& line) {
        std::string word, rest;
        SplitCommand(line, word, rest);
        const int connection = server_.newest();
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
        if (connection == 0) {
            EmitError("no program is connected", word);
            return;
        }
        if (word == "groups") {
            std::shared_ptr<const Fleet> groups = fleet();
            if (!groups) {
                EmitError("no fleet loaded (--fleet or \"groups FILE\")", word);
                return;
            }
            send(connection, word, studiohost::GroupFrame(GroupMessage(*groups)));
        } else if (word == "camera") {
            std::string serial, channel;
            SplitCommand(rest, serial, channel);
            sendCamera(connection, serial, channel);
        } else if (word == "quit") {
            send(connection, word, studiohost::QuitFrame());
        } else if (word == "text") {
            std::string type, text;
            SplitCommand(rest, type, text);
            try {
                send(connection, word, studiohost::TextFrame(std::stoi(type), text));
            } catch (const std::exception&) {
                EmitError("usage: text TYPE TEXT", word);
            }
        } else if (word == "frame") {
            std::optional<std::string> bytes = HexBytes(rest);
            if (!bytes || bytes->empty()) {
                EmitError("usage: frame HEX (pairs of hex digits)", word);
                return;
            }
            send(connection, word, *bytes);
        } else if (word == "close") {
            server_.close(connection);
        }
    }

    std::shared_ptr<const Fleet> fleet() {
        std::lock_guard<std::mutex> lock(mutex_);
        return fleet_;
    }

    std::mutex mutex_;
    std::shared_ptr<const Fleet> fleet_;  // guarded by mutex_; replaced by "groups FILE"
    const std::string currentCamera_;
    const bool sendOnHello_;
    studiohost::StudioLinkServer server_;  // last: its threads call back into the members above
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
