#include "tools/lab/cameras_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace orvex::lab {
namespace {

constexpr char kTemporaryMark[] = ".tmp-";

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Writes all bytes; false on any error.
bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

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
    static std::atomic<unsigned> counter{0};
    const std::string path = pathOf(serial, channelNo);
    const std::string temporary = path + kTemporaryMark + std::to_string(::getpid()) + "-" +
                                  std::to_string(counter.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = Errno("cannot create " + temporary);
        return false;
    }
    bool ok = WriteAll(fd, config.data(), config.size());
    if (ok && sync_) {
        ok = ::fsync(fd) == 0;
    }
    if (!ok) {
        error = Errno("cannot write " + temporary);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = Errno("cannot close " + temporary);
    }
    // The rename replaces the old file in one step: a reader (or a restart) sees either the
    // whole old record or the whole new one.
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = Errno("cannot rename " + temporary);
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (sync_) {
        // The rename itself reaches the disk with its folder.
        const std::string folder = root_ + "/" + serial;
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return true;
}

}  // namespace orvex::lab
