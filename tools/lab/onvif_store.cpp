#include "tools/lab/onvif_store.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/atomic_file.h"
#include "tools/lab/lab_events.h"

namespace orvex::lab::onvif {

std::string OnvifStateFolder::pathOf(const std::string& serial) const {
    return root_ + "/" + serial + "/onvif.json";
}

bool OnvifStateFolder::load(const std::string& serial, CameraState& state) const {
    std::ifstream in(pathOf(serial), std::ios::binary);
    if (!in) {
        return false;
    }
    Json::Value json;
    Json::CharReaderBuilder builder;
    std::string errors;
    return Json::parseFromStream(builder, in, &json, &errors) && StateFromJson(json, state);
}

bool OnvifStateFolder::save(const std::string& serial, const CameraState& state,
                            std::string& error) const {
    const std::string path = pathOf(serial);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return WriteFileAtomically(path, CompactJson(StateToJson(state)) + "\n", 0644, sync_, error);
}

}  // namespace orvex::lab::onvif
