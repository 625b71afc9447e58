#include "tools/studio/inventory_file.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/posix/atomic_file.h"

namespace orvex::site {

std::string InventoryPath() {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.config";
    } else {
        return "";
    }
    return base + "/orvex-studio/inventory.json";
}

bool LoadInventory(const std::string& path, Inventory& inventory, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        inventory = Inventory{};
        return true;
    }
    std::string text;
    if (!ReadWholeFile(path, text, error)) {
        return false;
    }
    std::string problem;
    if (!ParseInventory(text, inventory, problem)) {
        error = path + ": " + problem + " (the file was left as it is; correct it or move it away)";
        return false;
    }
    return true;
}

namespace {

// Makes the inventory's folder (0700: the inventory holds passwords) when it is missing.
bool MakeFolder(const std::string& path, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
        if (ec) {
            error = "cannot make the folder " + folder.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace

bool LockInventory(const std::string& path, FileLock& lock, std::string& error) {
    return MakeFolder(path, error) && lock.acquire(path + ".lock", error);
}

bool SaveInventory(const std::string& path, const Inventory& inventory, std::string& error) {
    return MakeFolder(path, error) &&
           WriteFileAtomically(path, WriteInventory(inventory), 0600, true, error);
}

}  // namespace orvex::site
