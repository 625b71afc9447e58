// orvex-lab cameras: serves a fleet of cameras speaking the device protocol or ONVIF, each with
// its records kept in a state folder, with faults set per camera.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/json_text.h"
#include "tools/lab/camera_commands.h"
#include "tools/lab/cameras_events.h"
#include "tools/lab/cameras_server.h"
#include "tools/lab/cameras_setup.h"
#include "tools/lab/fleet.h"
#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"
#include "tools/lab/onvif_server.h"
#include "tools/lab/onvif_setup.h"

namespace orvex::lab {
namespace {

// "fault SERIAL WORD[,WORD...]", "counters SERIAL" and, for ONVIF cameras, "config SERIAL".
void HandleCommand(CameraFleet& fleet, onvif::OnvifFleet& onvifFleet, const std::string& line) {
    std::string word, rest, serial, words;
    SplitCommand(line, word, rest);
    SplitCommand(rest, serial, words);
    LabCamera* camera = fleet.camera(serial);
    if (word != "fault" && word != "counters" && word != "config") {
        EmitError("unknown command \"" + word + "\" (fault, counters, config, exit)", word);
        return;
    }
    if (onvif::OnvifCamera* onvifCamera = onvifFleet.camera(serial)) {
        OnvifCameraCommand(onvifFleet, *onvifCamera, word, words);
        return;
    }
    if (word == "config" && camera != nullptr) {
        EmitError("config is for ONVIF cameras; the world role shows device-protocol records",
                  word);
        return;
    }
    if (camera == nullptr) {
        EmitError("no camera \"" + serial + "\"", word);
        return;
    }
    if (word == "counters") {
        EmitEvent(CountersJson(serial, camera->counters()));
        return;
    }
    CameraFaults faults = camera->faults();
    std::string error;
    if (!ApplyFaultWords(
            words, [&](const std::string& one) { return ApplyFaultWord(one, faults, error); })) {
        EmitError(error, word);
        return;
    }
    fleet.setFaults(serial, faults);
    Json::Value event;
    event["event"] = "faults";
    event["serial"] = serial;
    event["faults"] = FaultsJson(faults);
    EmitEvent(event);
}

// The fleet for the studio names ONVIF cameras by their "devType", so that the program sends
// them to its ONVIF driver.
void MarkOnvifCameras(Json::Value& fleet, const std::vector<onvif::OnvifSetup>& onvifSetups) {
    for (Json::Value& group : fleet["groups"]) {
        for (Json::Value& camera : group["cameras"]) {
            for (const onvif::OnvifSetup& setup : onvifSetups) {
                if (camera["serial"].asString() == setup.serial) {
                    camera["devType"] = "ONVIF";
                    camera["userName"] = setup.username;
                }
            }
        }
    }
}

int RunCameras(const std::vector<std::string>& all) {
    PrepareStopSignals();
    // "--camera" may be given many times; the option reader keeps one value per name.
    std::vector<std::string> args;
    std::vector<std::string> cameraTexts;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--camera" && i + 1 < all.size()) {
            cameraTexts.push_back(all[++i]);
        } else {
            args.push_back(all[i]);
        }
    }
    std::string error;
    auto options = LabOptions::Parse(args,
                                     {"state", "fleet", "count", "prefix", "password",
                                      "base-address", "port", "channels", "fleet-out", "kind"},
                                     {"no-sync", "exit-on-eof", "discovery"}, error);
    if (!options) {
        EmitError(error);
        return 2;
    }
    if (!options->has("state")) {
        EmitError("--state DIR is required: the folder that keeps the cameras' records");
        return 2;
    }

    Fleet fleet;
    std::vector<CameraSetup> setups;
    // ONVIF cameras, and each of them as a generic camera for the fleet handed to the studio.
    std::vector<onvif::OnvifSetup> onvifSetups;
    std::vector<CameraSetup> onvifGeneric;
    if (options->has("fleet")) {
        if (!LoadFleet(options->get("fleet"), fleet, error) ||
            !onvif::SetupsFromMixedFleet(fleet, setups, onvifSetups, onvifGeneric, error)) {
            EmitError(error);
            return 2;
        }
    }
    for (const std::string& text : cameraTexts) {
        if (onvif::IsOnvifCameraText(text)) {
            onvif::OnvifSetup setup;
            if (!onvif::ParseSetup(text, setup, error)) {
                EmitError("--camera " + text + ": " + error);
                return 2;
            }
            onvifSetups.push_back(setup);
            continue;
        }
        CameraSetup setup;
        if (!ParseCameraSetup(text, setup, error)) {
            EmitError("--camera " + text + ": " + error);
            return 2;
        }
        setups.push_back(std::move(setup));
    }
    if (options->has("count")) {
        std::optional<long> count = options->number("count", 0);
        std::optional<long> port = options->number("port", options->has("base-address") ? 8000 : 0);
        std::optional<long> channels = options->number("channels", 1);
        if (!count || *count < 1 || *count > 100000 || !port || *port < 0 || *port > 65535 ||
            !channels || *channels < 1 || *channels > 256) {
            EmitError("--count takes 1 to 100000, --port 0 to 65535, --channels 1 to 256");
            return 2;
        }
        const std::string kind = options->get("kind", "rprov");
        if (kind != "rprov" && kind != "onvif") {
            EmitError("--kind takes rprov (the device protocol) or onvif");
            return 2;
        }
        std::vector<CameraSetup> generated;
        if (!GenerateCameraSetups(static_cast<int>(*count), options->get("prefix", "OXLAB"),
                                  options->get("password", "admin123"),
                                  options->get("base-address"), static_cast<int32_t>(*port),
                                  static_cast<int>(*channels), generated, error)) {
            EmitError(error);
            return 2;
        }
        for (const CameraSetup& setup : generated) {
            if (kind == "rprov") {
                setups.push_back(setup);
                continue;
            }
            onvifSetups.push_back(onvif::FromCameraSetup(setup));
            onvifSetups.back().discovery = options->has("discovery");
        }
    }
    if (setups.empty() && onvifSetups.empty()) {
        EmitError("no cameras: give --fleet FILE, --camera SETUP or --count N");
        return 2;
    }

    CameraFleet cameras(options->get("state"), !options->has("no-sync"));
    if (!setups.empty() && !cameras.start(setups, error)) {
        EmitError(error);
        return 1;
    }
    onvif::OnvifFleet onvifCameras(options->get("state"), !options->has("no-sync"));
    if (!onvifSetups.empty() && !onvifCameras.start(onvifSetups, error)) {
        EmitError(error);
        return 1;
    }
    for (const CameraEndpoint& e : cameras.endpoints()) {
        Json::Value event;
        event["event"] = "camera";
        event["serial"] = e.serial;
        event["address"] = e.address;
        event["port"] = e.port;
        event["listening"] = e.listening;
        Json::Value channels(Json::arrayValue);
        for (int32_t c : cameras.camera(e.serial)->setup().channels) {
            channels.append(c);
        }
        event["channels"] = channels;
        EmitEvent(event);
    }
    std::vector<CameraEndpoint> allEndpoints = cameras.endpoints();
    for (const onvif::OnvifEndpoint& e : onvifCameras.endpoints()) {
        Json::Value event;
        event["event"] = "camera";
        event["kind"] = "onvif";
        event["serial"] = e.serial;
        event["address"] = e.address;
        event["port"] = e.port;
        event["listening"] = e.listening;
        event["deviceService"] = e.deviceService;
        Json::Value channels(Json::arrayValue);
        for (int c : onvifCameras.camera(e.serial)->setup().channels) {
            channels.append(c);
        }
        event["channels"] = channels;
        event["discovery"] = onvifCameras.camera(e.serial)->setup().discovery;
        EmitEvent(event);
        allEndpoints.push_back({e.serial, e.address, e.port, e.listening});
    }
    // Cameras from "--camera" and "--count" have no fleet entry yet.
    for (size_t i = onvifGeneric.size(); i < onvifSetups.size(); ++i) {
        const onvif::OnvifSetup& setup = onvifSetups[i];
        CameraSetup generic;
        generic.serial = setup.serial;
        generic.name = setup.name;
        generic.address = setup.address;
        generic.port = setup.port;
        generic.password = setup.password;
        generic.channels.assign(setup.channels.begin(), setup.channels.end());
        onvifGeneric.push_back(generic);
    }
    std::vector<CameraSetup> allSetups = setups;
    allSetups.insert(allSetups.end(), onvifGeneric.begin(), onvifGeneric.end());
    Json::Value ready;
    ready["event"] = "ready";
    ready["cameras"] = static_cast<int>(setups.size() + onvifSetups.size());
    ready["state"] = options->get("state");
    ready["pid"] = static_cast<int>(::getpid());
    if (options->has("fleet-out")) {
        const std::string path = options->get("fleet-out");
        const std::string temporary = path + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            Json::Value forStudio = FleetForStudio(fleet, allSetups, allEndpoints);
            MarkOnvifCameras(forStudio, onvifSetups);
            out << WriteJson(forStudio);
            if (!out) {
                EmitError("cannot write " + path);
                return 1;
            }
        }
        // Readers waiting for the file never see half of it.
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            EmitError("cannot write " + path);
            return 1;
        }
        ready["fleet"] = path;
    }
    EmitEvent(ready);

    StartCommandReader([&cameras, &onvifCameras](
                           const std::string& line) { HandleCommand(cameras, onvifCameras, line); },
                       options->has("exit-on-eof"));
    WaitForStop();
    onvifCameras.stop();
    cameras.stop();
    return 0;
}

}  // namespace

ORVEX_LAB_ROLE(
    "cameras",
    "--state DIR [--fleet FILE] [--camera SETUP]... [--count N [--prefix OXLAB]\n"
    "         [--password admin123] [--base-address 127.0.x.y] [--port P]\n"
    "         [--channels N] [--kind rprov|onvif] [--discovery]] [--fleet-out FILE]\n"
    "         [--no-sync] [--exit-on-eof]\n"
    "         SETUP: serial=S,address=A,port=P,password=W,channels=N,wifi=N,name=T\n"
    "               plus faults: refuse-login, wrong-password, silent, absent,\n"
    "               delay=MS, fail-item=CODE, drop-on-item=CODE, forget-item=CODE,\n"
    "               fail-read=WHAT\n"
    "         ONVIF: kind=onvif,serial=S,...,user=U[,discovery] plus faults: refuse-login,\n"
    "               wrong-password, silent, absent, delay=MS, fail-op=NAME,\n"
    "               drop-on-op=NAME, skew=SECONDS, unsupported=SERVICE, no-wifi,\n"
    "               no-osd, no-analytics\n"
    "         stdin: fault SERIAL WORD[,WORD...] | counters SERIAL | config SERIAL | exit",
    RunCameras);

}  // namespace orvex::lab
