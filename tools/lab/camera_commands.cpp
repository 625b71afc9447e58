#include "tools/lab/camera_commands.h"

#include <json/json.h>

#include "tools/lab/lab_events.h"
#include "tools/lab/onvif_setup.h"

namespace orvex::lab {

bool ApplyFaultWords(const std::string& words,
                     const std::function<bool(const std::string&)>& apply) {
    size_t start = 0;
    while (start <= words.size()) {
        const size_t end = words.find(',', start);
        const std::string one = words.substr(start, end == std::string::npos ? end : end - start);
        if (!one.empty() && !apply(one)) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return true;
}

void OnvifCameraCommand(onvif::OnvifFleet& fleet, onvif::OnvifCamera& camera,
                        const std::string& word, const std::string& words) {
    const std::string& serial = camera.setup().serial;
    if (word == "counters") {
        EmitEvent(onvif::CountersJson(serial, camera.counters()));
        return;
    }
    if (word == "config") {
        EmitEvent(onvif::ConfigJson(camera));
        return;
    }
    onvif::OnvifFaults faults = camera.faults();
    std::string error;
    if (!ApplyFaultWords(
            words,
            [&](const std::string& one) { return onvif::ApplyFaultWord(one, faults, error); }) ||
        !fleet.setFaults(serial, faults, error)) {
        EmitError(error, word);
        return;
    }
    Json::Value event;
    event["event"] = "faults";
    event["serial"] = serial;
    event["faults"] = onvif::FaultsJson(faults);
    EmitEvent(event);
}

}  // namespace orvex::lab
