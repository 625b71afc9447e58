// orvex-lab cameras: serves a fleet of cameras speaking the device protocol, each with its
// records kept in a state folder, with faults set per camera.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/json_text.h"
#include "tools/lab/cameras_events.h"
#include "tools/lab/cameras_server.h"
#include "tools/lab/cameras_spec.h"
#include "tools/lab/fleet.h"
#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"

namespace orvex::lab {
namespace {

// "fault SERIAL WORD[,WORD...]" and "counters SERIAL".
void HandleCommand(CameraFleet& fleet, const std::string& line) {
    std::string word, rest, serial, words;
    SplitCommand(line, word, rest);
    SplitCommand(rest, serial, words);
    LabCamera* camera = fleet.camera(serial);
    if (word != "fault" && word != "counters") {
        EmitError("unknown command \"" + word + "\" (fault, counters, exit)", word);
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
    size_t start = 0;
    while (start <= words.size()) {
        const size_t end = words.find(',', start);
        const std::string one = words.substr(start, end == std::string::npos ? end : end - start);
        if (!one.empty() && !ApplyFaultWord(one, faults, error)) {
            EmitError(error, word);
            return;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    fleet.setFaults(serial, faults);
    Json::Value event;
    event["event"] = "faults";
    event["serial"] = serial;
    event["faults"] = FaultsJson(faults);
    EmitEvent(event);
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
                                      "base-address", "port", "channels", "fleet-out"},
                                     {"no-sync", "exit-on-eof"}, error);
    if (!options) {
        EmitError(error);
        return 2;
    }
    if (!options->has("state")) {
        EmitError("--state DIR is required: the folder that keeps the cameras' records");
        return 2;
    }

    Fleet fleet;
    std::vector<CameraSpec> specs;
    if (options->has("fleet") && (!LoadFleet(options->get("fleet"), fleet, error) ||
                                  !CameraSpecsFromFleet(fleet, specs, error))) {
        EmitError(error);
        return 2;
    }
    for (const std::string& text : cameraTexts) {
        CameraSpec spec;
        if (!ParseCameraSpec(text, spec, error)) {
            EmitError("--camera " + text + ": " + error);
            return 2;
        }
        specs.push_back(std::move(spec));
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
        if (!GenerateCameraSpecs(static_cast<int>(*count), options->get("prefix", "OXLAB"),
                                 options->get("password", "admin123"), options->get("base-address"),
                                 static_cast<int32_t>(*port), static_cast<int>(*channels), specs,
                                 error)) {
            EmitError(error);
            return 2;
        }
    }
    if (specs.empty()) {
        EmitError("no cameras: give --fleet FILE, --camera SPEC or --count N");
        return 2;
    }

    CameraFleet cameras(options->get("state"), !options->has("no-sync"));
    if (!cameras.start(specs, error)) {
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
        for (int32_t c : cameras.camera(e.serial)->spec().channels) {
            channels.append(c);
        }
        event["channels"] = channels;
        EmitEvent(event);
    }
    Json::Value ready;
    ready["event"] = "ready";
    ready["cameras"] = static_cast<int>(specs.size());
    ready["state"] = options->get("state");
    ready["pid"] = static_cast<int>(::getpid());
    if (options->has("fleet-out")) {
        const std::string path = options->get("fleet-out");
        const std::string temporary = path + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << WriteJson(FleetForStudio(fleet, specs, cameras.endpoints()));
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

    StartCommandReader([&cameras](const std::string& line) { HandleCommand(cameras, line); },
                       options->has("exit-on-eof"));
    WaitForStop();
    cameras.stop();
    return 0;
}

}  // namespace

ORVEX_LAB_ROLE("cameras",
               "--state DIR [--fleet FILE] [--camera SPEC]... [--count N [--prefix OXLAB]\n"
               "         [--password admin123] [--base-address 127.0.x.y] [--port P]\n"
               "         [--channels N]] [--fleet-out FILE] [--no-sync] [--exit-on-eof]\n"
               "         SPEC: serial=S,address=A,port=P,password=W,channels=N,wifi=N,name=T\n"
               "               plus faults: refuse-login, wrong-password, silent, absent,\n"
               "               delay=MS, fail-item=CODE, drop-on-item=CODE, forget-item=CODE,\n"
               "               fail-read=WHAT\n"
               "         stdin: fault SERIAL WORD[,WORD...] | counters SERIAL | exit",
               RunCameras);

}  // namespace orvex::lab
