#include "platform/posix/download_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvex {
namespace {

constexpr size_t kNameMax = 255;  // bytes in one file name (NAME_MAX)

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool isBlankOrDot(char c) {
    return c == '.' || c == ' ' || c == '\t';
}

// The length of `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
size_t utf8Prefix(const std::string& text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

// mkdir -p; true when the folder exists afterwards.
bool makeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string DownloadDirFromUserDirs(const std::string& text, const std::string& home) {
    std::istringstream lines(text);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        const std::string key = "XDG_DOWNLOAD_DIR=";
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) {
            continue;
        }
        std::string value = line.substr(start + key.size());
        size_t end = value.find_last_not_of(" \t\r");
        value = end == std::string::npos ? "" : value.substr(0, end + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
            continue;
        }
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            value = home + value.substr(5);
        } else if (value.empty() || value.front() != '/') {
            continue;  // only "$HOME/..." and absolute paths are allowed
        }
        found = value;  // the last setting wins, as in the shell
    }
    return found;
}

std::string UserDownloadFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        return "";
    }
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    if (file) {
        std::stringstream text;
        text << file.rdbuf();
        std::string folder = DownloadDirFromUserDirs(text.str(), home);
        if (!folder.empty()) {
            return folder;
        }
    }
    return home + "/Downloads";
}

std::string CleanDownloadName(const std::string& suggested) {
    std::string name;
    name.reserve(suggested.size());
    for (char c : suggested) {
        unsigned char u = static_cast<unsigned char>(c);
        name.push_back(c == '/' || c == '\\' || u < 0x20 || u == 0x7F ? '_' : c);
    }
    size_t first = 0;
    while (first < name.size() && isBlankOrDot(name[first])) {
        ++first;
    }
    size_t last = name.size();
    while (last > first && isBlankOrDot(name[last - 1])) {
        --last;
    }
    name = name.substr(first, last - first);
    if (name.size() > kNameMax) {
        size_t dot = name.rfind('.');
        std::string extension =
            dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
        std::string stem = name.substr(0, name.size() - extension.size());
        name = stem.substr(0, utf8Prefix(stem, kNameMax - extension.size())) + extension;
    }
    return name.empty() ? "download" : name;
}

std::string CreateUniqueFile(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty() || !makeFolders(folder)) {
        return "";
    }
    size_t dot = name.rfind('.');
    std::string extension = dot != std::string::npos && dot > 0 ? name.substr(dot) : "";
    std::string stem = name.substr(0, name.size() - extension.size());
    for (int n = 0; n < 10000; ++n) {
        std::string candidate = name;
        if (n > 0) {
            std::string mark = " (" + std::to_string(n) + ")";
            // The numbered name must still fit one file name.
            size_t room = kNameMax - mark.size() - extension.size();
            candidate = stem.substr(0, utf8Prefix(stem, room)) + mark + extension;
        }
        std::string path = folder + "/" + candidate;
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return "";
        }
    }
    return "";
}

void RemoveIfEmpty(const std::string& path) {
    struct stat info {};
    if (!path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size == 0) {
        unlink(path.c_str());
    }
}

}  // namespace orvex
