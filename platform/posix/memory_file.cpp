#include "platform/posix/memory_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvex {

MemoryFile::MemoryFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC)) {}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool MemoryFile::write(uint64_t offset, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0 && fd_ >= 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return size == 0;
}

bool MemoryFile::read(uint64_t offset, void* data, size_t size) const {
    auto* p = static_cast<char*>(data);
    while (size > 0 && fd_ >= 0) {
        const ssize_t n = ::pread(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;  // an error, or the end of the file
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return size == 0;
}

uint64_t MemoryFile::size() const {
    struct stat st;
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace orvex
