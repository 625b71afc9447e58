// orvex-lab world: a whole site in one process for the demo and the end-to-end tests. It
// serves the world's camera fleet, plays the studio for it and records the statistics (the
// studio and stats roles, run in this process), serves the page folder, and prints the command
// line that starts the tool against all of it.
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devcfg/config_range_json.h"
#include "devcfg/device_config_json.h"
#include "platform/net/tcp_socket.h"
#include "support/json_text.h"
#include "tools/lab/camera_commands.h"
#include "tools/lab/cameras_events.h"
#include "tools/lab/cameras_model.h"
#include "tools/lab/cameras_server.h"
#include "tools/lab/cameras_setup.h"
#include "tools/lab/fleet.h"
#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"
#include "tools/lab/onvif_server.h"
#include "tools/lab/onvif_setup.h"
#include "tools/lab/world_fleet.h"
#include "tools/lab/world_launch.h"

namespace orvex::lab {
namespace {

using CommandHandler = std::function<void(const std::string& line)>;

// The command handler of the role being started, handed over by DivertCommandReaders.
struct Handoff {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<CommandHandler> handler;
    bool ended = false;
};

// Another role run on a thread of this process; its commands come from the world.
class EmbeddedRole {
  public:
    // Starts the role and waits until it reads commands (it serves) or ends (it failed). False
    // when it ended; status() is then its exit status. The world's main thread, one role at a
    // time.
    bool start(Handoff& handoff, const std::string& name, std::vector<std::string> args) {
        RoleMain run = nullptr;
        for (const LabRole& role : LabRoles()) {
            if (name == role.name) {
                run = role.run;
            }
        }
        if (run == nullptr) {
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(handoff.mutex);
            handoff.handler.reset();
            handoff.ended = false;
        }
        thread_ = std::thread([this, &handoff, run, args = std::move(args)] {
            status_ = run(args);
            std::lock_guard<std::mutex> lock(handoff.mutex);
            handoff.ended = true;
            handoff.changed.notify_all();
        });
        std::unique_lock<std::mutex> lock(handoff.mutex);
        handoff.changed.wait(lock, [&] { return handoff.handler || handoff.ended; });
        if (!handoff.handler) {
            lock.unlock();
            thread_.join();
            return false;
        }
        std::lock_guard<std::mutex> handlerLock(mutex_);
        handler_ = std::move(*handoff.handler);
        return true;
    }

    // Passes a command line on. Any thread.
    bool command(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!handler_) {
            return false;
        }
        handler_(line);
        return true;
    }

    // After the stop request: waits for the role to return.
    void join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    int status() const { return status_; }

  private:
    std::thread thread_;
    int status_ = 0;
    std::mutex mutex_;
    CommandHandler handler_;
};

// Everything the world serves; shared with the command reader, which may outlive the role.
struct World {
    World(const std::string& state, bool sync) : cameras(state, sync), onvifCameras(state, sync) {}
    CameraFleet cameras;
    onvif::OnvifFleet onvifCameras;
    EmbeddedRole studio;
    EmbeddedRole stats;
    bool statsServing = false;
};

// "fault SERIAL WORD[,WORD...]": the camera's faults change as in the cameras role.
void FaultCommand(World& world, const std::string& serial, const std::string& words) {
    LabCamera* camera = world.cameras.camera(serial);
    if (camera == nullptr) {
        EmitError("no camera \"" + serial + "\"", "fault");
        return;
    }
    CameraFaults faults = camera->faults();
    std::string error;
    if (!ApplyFaultWords(
            words, [&](const std::string& one) { return ApplyFaultWord(one, faults, error); })) {
        EmitError(error, "fault");
        return;
    }
    world.cameras.setFaults(serial, faults);
    Json::Value event;
    event["event"] = "faults";
    event["serial"] = serial;
    event["absent"] = faults.absent;
    event["listening"] = !faults.absent;
    EmitEvent(event);
}

// "config SERIAL [CHANNEL]": what the camera holds now as the page's configuration JSON, its
// ranges as the page's range object and the names of the networks it sees (what the program
// should show for it).
void ConfigCommand(World& world, const std::string& serial, const std::string& channel) {
    LabCamera* camera = world.cameras.camera(serial);
    int32_t channelNo = 1;
    try {
        channelNo = channel.empty() ? 1 : std::stoi(channel);
    } catch (const std::exception&) {
        EmitError("channel \"" + channel + "\" is not a number", "config");
        return;
    }
    std::unique_ptr<DeviceConfig> record = camera ? camera->record(channelNo) : nullptr;
    if (record == nullptr) {
        EmitError("no camera \"" + serial + "\" channel " + std::to_string(channelNo), "config");
        return;
    }
    Json::Value event;
    event["event"] = "config";
    event["serial"] = serial;
    event["channelNo"] = channelNo;
    Json::Value ranges;
    if (DeviceConfigToPageJson(*record, event).empty() ||
        !ParseJson(ConfigRangeToPageJson(MakeConfigRange(serial, channelNo)), ranges)) {
        EmitError("the record of " + serial + " cannot be written as JSON", "config");
        return;
    }
    event["ranges"] = ranges;
    Json::Value networks(Json::arrayValue);
    const int seen = camera->setup().wifiNetworks;
    for (int i = 0; i < seen && i < WifiScanList::kMaxEntries; ++i) {
        networks.append(WifiNetworkName(serial, i));
    }
    event["wifiNetworks"] = networks;
    event["wifiCount"] = seen;
    EmitEvent(event);
}

void WorldCommand(World& world, const std::string& line) {
    std::string word, rest, first, second;
    SplitCommand(line, word, rest);
    SplitCommand(rest, first, second);
    onvif::OnvifCamera* onvifCamera = word == "fault" || word == "config" || word == "counters"
                                          ? world.onvifCameras.camera(first)
                                          : nullptr;
    if (onvifCamera != nullptr) {
        OnvifCameraCommand(world.onvifCameras, *onvifCamera, word, second);
    } else if (word == "studio" || word == "stats") {
        if (!(word == "studio" ? world.studio : world.stats).command(rest)) {
            EmitError("the " + word + " role is not running", word);
        }
    } else if (word == "fault") {
        FaultCommand(world, first, second);
    } else if (word == "config") {
        ConfigCommand(world, first, second);
    } else if (word == "counters") {
        LabCamera* camera = world.cameras.camera(first);
        if (camera == nullptr) {
            EmitError("no camera \"" + first + "\"", word);
        } else {
            EmitEvent(CountersJson(first, camera->counters()));
        }
    } else {
        EmitError("unknown command \"" + word +
                      "\" (studio CMD, stats CMD, fault, config, counters, exit)",
                  word);
    }
}

bool WriteFileWhole(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;  // readers never see half
}

std::optional<uint16_t> PortOption(const LabOptions& options, const std::string& name,
                                   long fallback) {
    std::optional<long> port = options.number(name, fallback);
    if (!port || *port < 0 || *port > 65535) {
        return std::nullopt;
    }
    if (*port == 0) {
        // A port free now, released before the role binds it.
        net::Socket unused = net::ListenTcp("127.0.0.1", 0);
        const int32_t free = unused.valid() ? net::LocalPort(unused) : 0;
        return free > 0 ? std::optional<uint16_t>(static_cast<uint16_t>(free)) : std::nullopt;
    }
    return static_cast<uint16_t>(*port);
}

int RunWorld(const std::vector<std::string>& args) {
    PrepareStopSignals();
    std::setlocale(LC_ALL, "");
    std::string error;
    auto options =
        LabOptions::Parse(args,
                          {"state", "cameras", "groups", "prefix", "password", "base-address",
                           "camera-port", "studio-port", "stats-host", "stats-port", "page-host",
                           "page-port", "web", "program", "current", "record", "onvif"},
                          {"no-sync"}, error);
    if (!options) {
        EmitError(error);
        return 2;
    }
    WorldLayout layout;
    std::optional<long> cameraCount = options->number("cameras", layout.cameras);
    std::optional<long> groupCount = options->number("groups", layout.groups);
    std::optional<long> cameraPort = options->number("camera-port", layout.port);
    std::optional<uint16_t> studioPort = PortOption(*options, "studio-port", 5905);
    std::optional<uint16_t> statsPort = PortOption(*options, "stats-port", 80);
    std::optional<long> pagePort = options->number("page-port", 8765);
    std::optional<long> onvifCount = options->number("onvif", layout.onvifCameras);
    if (!cameraCount || !groupCount || !cameraPort || *cameraPort < 0 || *cameraPort > 65535 ||
        !studioPort || !statsPort || !pagePort || *pagePort < 0 || *pagePort > 65535 ||
        !onvifCount) {
        EmitError("--cameras, --groups and --onvif take numbers, every port 0 to 65535");
        return 2;
    }
    layout.cameras = static_cast<int>(*cameraCount);
    layout.groups = static_cast<int>(*groupCount);
    layout.onvifCameras = static_cast<int>(std::clamp<long>(*onvifCount, -1, 100000));
    layout.prefix = options->get("prefix", layout.prefix);
    layout.password = options->get("password", layout.password);
    layout.baseAddress = options->get("base-address", layout.baseAddress);
    layout.port = static_cast<int32_t>(*cameraPort);
    const std::string state = options->get("state", "orvex-lab-world");
    const std::string statsHost = options->get("stats-host", "127.0.0.9");
    const std::string pageHost = options->get("page-host", "127.0.0.1");
    const std::string web = FindWebFolder(options->get("web"), "/proc/self/exe", ORVEX_SOURCE_WEB);
    if (options->has("record") && !OpenRecordFile(options->get("record"))) {
        EmitError("cannot open the record file " + options->get("record"));
        return 2;
    }

    // The fleet: made, served, and written with the addresses the cameras really got. The
    // ONVIF cameras are served apart and named in the studio's fleet by their "devType".
    Json::Value made;
    Fleet fleet;
    std::vector<CameraSetup> setups;
    std::vector<onvif::OnvifSetup> onvifSetups;
    std::vector<CameraSetup> onvifGeneric;
    std::error_code fsError;
    std::filesystem::create_directories(state, fsError);
    if (!MakeWorldFleet(layout, made, error) || !ParseFleet(WriteJson(made), fleet, error) ||
        !onvif::SetupsFromMixedFleet(fleet, setups, onvifSetups, onvifGeneric, error)) {
        EmitError(error);
        return 2;
    }
    auto world = std::make_shared<World>(state, !options->has("no-sync"));
    if (!world->cameras.start(setups, error) ||
        (!onvifSetups.empty() && !world->onvifCameras.start(onvifSetups, error))) {
        EmitError(error);
        world->cameras.stop();
        return 1;
    }
    std::vector<CameraEndpoint> endpoints = world->cameras.endpoints();
    for (const onvif::OnvifEndpoint& e : world->onvifCameras.endpoints()) {
        endpoints.push_back({e.serial, e.address, e.port, e.listening});
    }
    setups.insert(setups.end(), onvifGeneric.begin(), onvifGeneric.end());
    const std::string fleetPath = (std::filesystem::path(state) / "fleet.json").string();
    if (!WriteFileWhole(fleetPath, WriteJson(FleetForStudio(fleet, setups, endpoints)))) {
        EmitError("cannot write " + fleetPath);
        world->onvifCameras.stop();
        world->cameras.stop();
        return 1;
    }

    // The roles this world runs read their commands from the world.
    StartCommandReader([world](const std::string& line) { WorldCommand(*world, line); }, false);
    auto handoff = std::make_shared<Handoff>();
    DivertCommandReaders([handoff](CommandHandler handler) {
        std::lock_guard<std::mutex> lock(handoff->mutex);
        handoff->handler = std::move(handler);
        handoff->changed.notify_all();
    });

    std::string current = options->get("current", fleet.groups[0].cameras[0].record.serial);
    std::vector<std::string> studioArgs{
        "--host",  "127.0.0.1", "--port",         std::to_string(*studioPort),
        "--fleet", fleetPath,   "--send-on-hello"};
    if (current != "none") {
        studioArgs.insert(studioArgs.end(), {"--camera", current});
    }
    if (!world->studio.start(*handoff, "studio", studioArgs)) {
        EmitError("the studio cannot listen on 127.0.0.1:" + std::to_string(*studioPort) +
                  " (is a studio or another world running?)");
        world->onvifCameras.stop();
        world->cameras.stop();
        return 1;
    }
    world->statsServing = world->stats.start(
        *handoff, "stats", {"--host", statsHost, "--port", std::to_string(*statsPort)});
    if (!world->statsServing) {
        Json::Value warning;
        warning["event"] = "warning";
        warning["message"] = "statistics are not recorded: nothing can listen on " + statsHost +
                             ":" + std::to_string(*statsPort) +
                             " (port 80 needs root or CAP_NET_BIND_SERVICE)";
        EmitEvent(warning);
    }

    httplib::Server page;
    page.set_mount_point("/", web);
    int bound = *pagePort == 0 ? page.bind_to_any_port(pageHost)
                               : (page.bind_to_port(pageHost, static_cast<int>(*pagePort))
                                      ? static_cast<int>(*pagePort)
                                      : -1);
    std::thread serving;
    if (bound > 0) {
        serving = std::thread([&page] { page.listen_after_bind(); });
    } else {
        EmitError("cannot serve the page on " + pageHost + ":" + std::to_string(*pagePort));
        RequestStop();
    }

    if (bound > 0) {
        Json::Value listening;
        listening["event"] = "listening";
        listening["role"] = "page";
        listening["host"] = pageHost;
        listening["port"] = bound;
        listening["folder"] = web;
        EmitEvent(listening);

        const std::string address =
            "http://" + pageHost + ":" + std::to_string(bound) + "/index.html";
        const std::string program = FindToolProgram(options->get("program"), "/proc/self/exe");
        const std::string argument = ToolArgument(address, statsHost);
        const std::map<std::string, std::string> environment = ToolEnvironment(::geteuid() == 0);
        const std::string commandLine = ShellCommandLine(environment, {program, argument});
        Json::Value ready;
        ready["event"] = "ready";
        ready["role"] = "world";
        ready["cameras"] = layout.cameras + layout.onvifCameras;
        ready["onvifCameras"] = layout.onvifCameras;
        ready["groups"] = static_cast<int>(fleet.groups.size());
        ready["state"] = state;
        ready["fleet"] = fleetPath;
        ready["studio"] = "127.0.0.1:" + std::to_string(*studioPort);
        ready["statistics"] = world->statsServing
                                  ? Json::Value(statsHost + ":" + std::to_string(*statsPort))
                                  : Json::Value();
        ready["page"] = address;
        ready["program"] = program;
        ready["argument"] = argument;
        for (const auto& [name, value] : environment) {
            ready["environment"][name] = value;
        }
        ready["commandLine"] = commandLine;
        ready["pid"] = static_cast<int>(::getpid());
        EmitEvent(ready);
        std::fprintf(stderr,
                     "orvex-lab world: %d cameras (%d of them ONVIF) in %zu groups (state in "
                     "%s), studio on 127.0.0.1:%u, page at %s, statistics %s\n"
                     "Start the tool against it with:\n\n  %s\n\n",
                     layout.cameras + layout.onvifCameras, layout.onvifCameras, fleet.groups.size(),
                     state.c_str(), *studioPort, address.c_str(),
                     world->statsServing ? (statsHost + ":" + std::to_string(*statsPort)).c_str()
                                         : "not recorded",
                     commandLine.c_str());
    }

    WaitForStop();
    page.stop();
    if (serving.joinable()) {
        serving.join();
    }
    world->studio.join();
    world->stats.join();
    world->onvifCameras.stop();
    world->cameras.stop();
    return bound > 0 ? 0 : 1;
}

}  // namespace

ORVEX_LAB_ROLE("world",
               "[--state orvex-lab-world] [--cameras 60] [--groups 6] [--prefix OXW]\n"
               "         [--password admin123] [--base-address 127.0.1.1] [--camera-port 8000]\n"
               "         [--studio-port 5905] [--stats-host 127.0.0.9] [--stats-port 80]\n"
               "         [--page-host 127.0.0.1] [--page-port 8765] [--web DIR]\n"
               "         [--program PATH] [--current SERIAL|none] [--record FILE] [--no-sync]\n"
               "         [--onvif 8] (ONVIF cameras OXV00001..., a group of their own and two\n"
               "         among the others)\n"
               "         stdin: studio CMD | stats CMD | fault SERIAL WORD[,WORD...] |\n"
               "                config SERIAL [CHANNEL] | counters SERIAL | exit",
               RunWorld);

}  // namespace orvex::lab
