#include "tools/studio/run_session.h"

#include <signal.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/posix/child_process.h"
#include "platform/posix/stop_signals.h"
#include "studio/studio_message.h"
#include "tools/studio/inventory_file.h"
#include "tools/studio/link/studio_frames.h"
#include "tools/studio/link/studio_link_server.h"
#include "tools/studio/page_server.h"
#include "tools/studio/site_groups.h"
#include "tools/studio/tool_paths.h"

namespace orvex::site {
namespace {

std::mutex outputLock;  // lines from the link's threads and the main thread never interleave

void Say(const std::string& line) {
    std::lock_guard<std::mutex> lock(outputLock);
    std::cout << line << std::endl;
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The studio's side of one session: greets every hello with the inventory's groups (read
// again, so cameras added meanwhile are sent) and the current camera, records the configuration
// names, and carries out the commands typed while it runs. Called on the link's reader threads
// and the command reader's thread.
class StudioSide {
  public:
    explicit StudioSide(const RunOptions& options) : options_(options), current_(options.camera) {}

    void received(studiohost::StudioLinkServer& server, int connection,
                  const StudioMessage& message) {
        if (message.header.type == STUDIO_MSG_HELLO) {
            greet(server, connection);
        } else if (std::optional<std::string> name = studiohost::ConfigurationName(message)) {
            record(*name);
        }
    }

    // "camera SERIAL[:CHANNEL]" (made current, now and after later hellos), "groups" (sent
    // again) or "quit" (the tool is told to close).
    void command(studiohost::StudioLinkServer& server, const std::string& line) {
        std::istringstream words(line);
        std::string word, argument;
        words >> word >> argument;
        const int connection = server.newest();
        if (word == "camera" && !argument.empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            current_ = argument;
            Inventory inventory;
            if (connection != 0 && load(inventory)) {
                sendCurrent(server, connection, inventory);
            }
        } else if (word == "groups" && connection != 0) {
            greet(server, connection);
        } else if (word == "quit" && connection != 0) {
            server.send(connection, studiohost::QuitFrame());
            Say("the tool was told to quit");
        } else if (!word.empty()) {
            Say(connection == 0 && (word == "groups" || word == "quit")
                    ? "the tool is not connected"
                    : "commands: camera SERIAL[:CHANNEL] | groups | quit");
        }
    }

  private:
    bool load(Inventory& inventory) {
        std::string error;
        if (!LoadInventory(options_.inventoryPath, inventory, error)) {
            Say("error: " + error);
            return false;
        }
        return true;
    }

    void greet(studiohost::StudioLinkServer& server, int connection) {
        std::lock_guard<std::mutex> lock(mutex_);
        Inventory inventory;
        if (!load(inventory)) {
            return;
        }
        server.send(connection, studiohost::GroupFrame(GroupMessage(inventory)));
        Say("the tool said hello: sent " + std::to_string(inventory.groups.size()) +
            (inventory.groups.size() == 1 ? " group with " : " groups with ") +
            std::to_string(inventory.cameraCount()) + " cameras");
        if (!current_.empty()) {
            sendCurrent(server, connection, inventory);
        }
    }

    // Sends current_ as the current camera. mutex_ is held.
    void sendCurrent(studiohost::StudioLinkServer& server, int connection,
                     const Inventory& inventory) {
        const size_t colon = current_.find(':');
        const std::string serial = current_.substr(0, colon);
        const int channel =
            colon == std::string::npos ? 0 : std::atoi(current_.c_str() + colon + 1);
        if (std::optional<Json::Value> camera = CameraObject(inventory, serial, channel)) {
            server.send(connection, studiohost::CameraFrame(*camera));
            Say("current camera: " + current_);
        } else {
            Say("warning: no camera " + current_ + " in the inventory; none made current");
        }
    }

    void record(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        Say("configuration saved: " + name);
        Inventory inventory;
        std::string error;
        FileLock file;
        if (!LockInventory(options_.inventoryPath, file, error) ||
            !LoadInventory(options_.inventoryPath, inventory, error)) {
            Say("error: the name was not recorded: " + error);
            return;
        }
        inventory.configurations.push_back({name, UtcNow()});
        if (!SaveInventory(options_.inventoryPath, inventory, error)) {
            Say("error: the name was not recorded: " + error);
        }
    }

    const RunOptions& options_;
    std::mutex mutex_;  // one greeting, command or record at a time; guards current_
    std::string current_;
};

// Standard input's lines as commands, on a thread of its own that may stay blocked in a read
// after the session ended: it reaches the session only while `open` is set, under `lock`.
struct CommandGate {
    std::mutex lock;
    bool open = true;
};

void StartCommandReader(std::shared_ptr<CommandGate> gate,
                        std::function<void(const std::string&)> handle) {
    std::thread([gate, handle] {
        for (std::string line; std::getline(std::cin, line);) {
            std::lock_guard<std::mutex> lock(gate->lock);
            if (!gate->open) {
                return;
            }
            handle(line);
        }
    }).detach();
}

// Waits for the tool to end, ending its process group when a stop signal comes or, after a
// quit, when it does not close in time. Returns its exit status.
int Supervise(ChildProcess& tool, studiohost::StudioLinkServer& link, int quitWaitMs) {
    std::optional<std::chrono::steady_clock::time_point> quitDeadline;
    int stopSignals = 0;
    for (;;) {
        if (std::optional<int> status = tool.wait(0)) {
            return *status;
        }
        if (std::optional<int> signal = WaitStopSignal(100)) {
            ++stopSignals;
            const int connection = link.newest();
            if (stopSignals == 1 && connection != 0 &&
                link.send(connection, studiohost::QuitFrame())) {
                Say("stopping: the tool was told to quit");
                quitDeadline =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(quitWaitMs);
            } else {
                Say("stopping: ending the tool");
                tool.signalGroup(stopSignals > 2 ? SIGKILL : SIGTERM);
                quitDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            }
        }
        if (quitDeadline && std::chrono::steady_clock::now() > *quitDeadline) {
            Say("the tool did not close in time: killing it");
            tool.signalGroup(SIGKILL);
            quitDeadline.reset();
        }
    }
}

}  // namespace

std::string ToolArgument(const std::string& pageUrl, const RunOptions& options,
                         const std::string& version) {
    return pageUrl + "&Userid=" + options.userId + "&UserName=" + options.userName +
           "&hc=&clt_ver=" + version + "&LogDomain=" + options.statsHost + "&host=&domainIp=";
}

int RunSession(const RunOptions& options) {
    BlockStopSignals();  // before any thread: Ctrl-C and SIGTERM become a quit, not a death
    ::signal(SIGPIPE, SIG_IGN);
    std::string tried;
    const std::string own = OwnFolder();
    std::optional<Located> tool = FindTool(options.tool, own, tried);
    if (!tool) {
        std::cerr << "orvex-studio: no tool found; looked at:" << tried << "\n";
        return 1;
    }
    std::optional<Located> page = FindPage(options.page, own, tried);
    if (!page) {
        std::cerr << "orvex-studio: no page folder (with index.html) found; looked at:" << tried
                  << "\n";
        return 1;
    }
    Say("tool: " + tool->path + " (" + tool->how + ")");
    Say("page: " + page->path + " (" + page->how + ")");

    StudioSide side(options);
    studiohost::StudioLinkServer* linkRef = nullptr;
    studiohost::StudioLinkServer link(
        studiohost::LinkCallbacks{[](int) { Say("the tool connected to the studio link"); },
                                  [&](int connection, const StudioMessage& message) {
                                      side.received(*linkRef, connection, message);
                                  },
                                  nullptr});
    linkRef = &link;
    std::string error;
    if (!link.start("127.0.0.1", static_cast<uint16_t>(options.studioPort), error)) {
        std::cerr << "orvex-studio: cannot serve the studio link on 127.0.0.1:"
                  << options.studioPort << " (" << error
                  << "); is another studio or a lab world running?\n";
        return 1;
    }
    PageServer pages;
    if (!pages.start(page->path, "127.0.0.1", options.pagePort)) {
        std::cerr << "orvex-studio: cannot serve the page on 127.0.0.1:" << options.pagePort
                  << "\n";
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(pages.port()) + "/index.html";
    Say("studio link on 127.0.0.1:" + std::to_string(link.port()) + ", page at " + url);
    Say(options.statsHost.empty() ? "statistics: none posted (--stats-host names a host)"
                                  : "statistics: posted to port 80 of " + options.statsHost);

    ChildProcess child;
    // The page's titles pass through the locale's narrow encoding: the tool needs UTF-8.
    if (!child.start(tool->path, {ToolArgument(url, options, ORVEX_VERSION)}, {"LC_ALL=C.UTF-8"},
                     error)) {
        std::cerr << "orvex-studio: " << error << "\n";
        return 1;
    }
    Say("tool started (pid " + std::to_string(child.pid()) + ")");
    auto gate = std::make_shared<CommandGate>();
    StartCommandReader(gate, [&](const std::string& line) { side.command(link, line); });
    const int status = Supervise(child, link, options.quitWaitMs);
    {
        std::lock_guard<std::mutex> lock(gate->lock);
        gate->open = false;  // side and link go out of scope below
    }
    // What the tool started and left behind goes with it.
    child.signalGroup(SIGKILL);
    link.stop();
    pages.stop();
    Say("tool ended (exit status " + std::to_string(status) + ")");
    return status;
}

}  // namespace orvex::site
