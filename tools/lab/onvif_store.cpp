#include "tools/lab/onvif_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

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
    const std::string temporary = path + ".tmp";
    const std::string text = CompactJson(StateToJson(state)) + "\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    const bool written = done == text.size() && (!sync_ || ::fsync(fd) == 0);
    ::close(fd);
    // The rename makes the new file appear whole or not at all.
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace orvex::lab::onvif
