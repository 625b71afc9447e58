#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace orvex {
namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const char* data, size_t size) {
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, bool sync,
                         std::string& error) {
    static std::atomic<unsigned> counter{0};
    // A name of its own per process and write, so that two writers never share a temporary.
    const std::string temporary =
        path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(mode));
    if (fd < 0) {
        error = Errno("cannot create " + temporary);
        return false;
    }
    // The umask may have taken bits away; the mode asked for is the mode the file gets.
    bool ok =
        ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, bytes.data(), bytes.size());
    if (ok && sync) {
        ok = ::fsync(fd) == 0;
    }
    if (!ok) {
        error = Errno("cannot write " + temporary);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = Errno("cannot close " + temporary);
    }
    // The rename replaces the old file in one step: a reader, or a restart after a crash, sees
    // the whole old content or the whole new one.
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = Errno("cannot rename " + temporary + " to " + path);
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (sync) {
        // The rename itself reaches the disk with its folder.
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Errno("cannot open " + path);
        return false;
    }
    bytes.clear();
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = Errno("cannot read " + path);
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace orvex
