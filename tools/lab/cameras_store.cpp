#include "tools/lab/cameras_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/posix/atomic_file.h"

namespace orvex::lab {
namespace {

constexpr char kTemporaryMark[] = ".tmp-";

}  // namespace

bool IsValidLabSerial(const std::string& serial) {
    if (serial.empty() || serial.size() > 64 || serial == "." || serial == "..") {
        return false;
    }
    return std::all_of(serial.begin(), serial.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    });
}

std::string CameraStateFolder::pathOf(const std::string& serial, int32_t channelNo) const {
    return root_ + "/" + serial + "/channel-" + std::to_string(channelNo) + ".cfg";
}

bool CameraStateFolder::prepare(const std::string& serial, std::string& error) const {
    const std::filesystem::path folder = std::filesystem::path(root_) / serial;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().find(kTemporaryMark) != std::string::npos) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
    return true;
}

bool CameraStateFolder::load(const std::string& serial, int32_t channelNo,
                             DeviceConfig& config) const {
    const std::string path = pathOf(serial, channelNo);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    auto staged = std::make_unique<DeviceConfig>();
    size_t got = 0;
    bool ok = true;
    while (ok && got < DeviceConfig::kSize) {
        const ssize_t n = ::read(fd, staged->data() + got, DeviceConfig::kSize - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        got += ok ? static_cast<size_t>(n) : 0;
    }
    uint8_t extra = 0;
    // A file with more than one record is not one of ours either.
    ok = ok && ::read(fd, &extra, 1) == 0;
    ::close(fd);
    if (ok) {
        config = *staged;
    }
    return ok;
}

bool CameraStateFolder::save(const std::string& serial, int32_t channelNo,
                             const DeviceConfig& config, std::string& error) const {
    // The temporary file is named with kTemporaryMark, which a restart recognises as debris.
    return WriteFileAtomically(
        pathOf(serial, channelNo),
        std::string_view(reinterpret_cast<const char*>(config.data()), config.size()), 0644, sync_,
        error);
}

}  // namespace orvex::lab
