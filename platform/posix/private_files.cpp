#include "platform/posix/private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace orvex {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// Flushes the folder holding `path`, so a rename into it survives a power loss.
void SyncParent(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash);
    const int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

std::string UserDataFolder() {
    const std::string xdg = Environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') {
        return xdg;
    }
    const std::string home = Environment("HOME");
    return home.empty() ? "" : home + "/.local/share";
}

bool MakePrivateFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    // A folder made earlier by someone else's umask is closed to others now.
    return IsFolder(folder) && chmod(folder.c_str(), 0700) == 0;
}

bool MakeNewPrivateFolder(const std::string& folder) {
    return mkdir(folder.c_str(), 0700) == 0;
}

bool WritePrivateFile(const std::string& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    if (close(fd) != 0 || !ok || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    SyncParent(path);
    return true;
}

bool ReadWholeFile(const std::string& path, size_t limit, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<size_t>(info.st_size) <= limit;
    std::string read;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || read.size() + static_cast<size_t>(n) > limit) {
            ok = false;
        } else if (n == 0) {
            break;
        } else {
            read.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    if (ok) {
        bytes = std::move(read);
    }
    return ok;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

int PermissionBits(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && IsFolder(folder + "/" + name)) {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

bool RemoveFlatFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            unlink((folder + "/" + name).c_str());
        }
    }
    closedir(dir);
    return rmdir(folder.c_str()) == 0;
}

}  // namespace orvex
