#include "devcfg/backup_store.h"

#include <json/json.h>

#include <algorithm>
#include <cstring>

#include "platform/posix/private_files.h"
#include "support/json_text.h"

namespace orvex {
namespace {

constexpr char kMagic[8] = {'O', 'R', 'V', 'X', 'B', 'A', 'K', '1'};
constexpr size_t kMaxKey = 129;  // the longest CameraKey
constexpr size_t kMaxManifest = 4 * 1024 * 1024;
constexpr char kManifest[] = "/pass.json";

// FNV-1a, 64 bits: finds a cut or altered file, which is all a checksum is asked to do here.
uint64_t Checksum(const char* data, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
    }
    return hash;
}

void AppendLe(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

uint64_t ReadLe(const std::string& in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
    }
    return value;
}

bool AllDigits(const std::string& text, size_t from, size_t count) {
    if (count == 0 || from + count > text.size()) {
        return false;
    }
    return std::all_of(text.begin() + static_cast<long>(from),
                       text.begin() + static_cast<long>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYYMMDD-HHMMSS-N": the only names taken as passes, so an id from the page never names
// another path.
bool IsPassId(const std::string& id) {
    return id.size() >= 17 && id.size() <= 24 && AllDigits(id, 0, 8) && id[8] == '-' &&
           AllDigits(id, 9, 6) && id[15] == '-' && AllDigits(id, 16, id.size() - 16);
}

// Oldest first: by time, then by the number that tells passes of one second apart.
bool OlderPass(const std::string& a, const std::string& b) {
    const int byTime = a.compare(0, 15, b, 0, 15);
    if (byTime != 0) {
        return byTime < 0;
    }
    return std::stoull(a.substr(16)) < std::stoull(b.substr(16));
}

std::string Hex(const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

std::string FormatTime(std::time_t now, const char* format) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

Json::Value PassJson(const BackupPass& pass) {
    Json::Value root(Json::objectValue);
    root["id"] = pass.id;
    root["when"] = pass.when;
    root["kind"] = pass.kind;
    root["sectionMask"] = pass.sectionMask;
    root["cameras"] = Json::Value(Json::arrayValue);
    for (const BackupCamera& c : pass.cameras) {
        root["cameras"].append(BackupCameraJson(c));
    }
    return root;
}

bool ReadPassJson(const Json::Value& root, BackupPass& pass) {
    try {
        pass.id = root["id"].asString();
        pass.when = root["when"].asString();
        pass.kind = root["kind"].asString();
        pass.sectionMask = root["sectionMask"].asUInt();
        pass.cameras.clear();
        for (const Json::Value& c : root["cameras"]) {
            BackupCamera camera;
            camera.serial = c["serial"].asString();
            camera.channelNo = c["channelNo"].asInt();
            camera.name = c["name"].asString();
            for (const Json::Value& item : c["items"]) {
                camera.items.push_back(item.asString());
            }
            camera.failNum = c["failNum"].asInt();
            pass.cameras.push_back(std::move(camera));
        }
    } catch (const Json::Exception&) {
        return false;
    }
    return IsPassId(pass.id);
}

}  // namespace

Json::Value BackupCameraJson(const BackupCamera& c) {
    Json::Value camera(Json::objectValue);
    camera["serial"] = c.serial;
    camera["channelNo"] = c.channelNo;
    camera["name"] = c.name;
    camera["items"] = Json::Value(Json::arrayValue);
    for (const std::string& item : c.items) {
        camera["items"].append(item);
    }
    camera["failNum"] = c.failNum;
    return camera;
}

std::string EncodeBackup(const std::string& key, const DeviceConfig& record) {
    std::string bytes(kMagic, sizeof kMagic);
    AppendLe(bytes, key.size(), 4);
    bytes += key;
    bytes.append(reinterpret_cast<const char*>(record.data()), DeviceConfig::kSize);
    AppendLe(bytes, Checksum(bytes.data(), bytes.size()), 8);
    return bytes;
}

BackupLoad DecodeBackup(const std::string& bytes, const std::string& key, DeviceConfig& record) {
    const size_t expected = sizeof kMagic + 4 + key.size() + DeviceConfig::kSize + 8;
    if (bytes.size() != expected || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
        ReadLe(bytes, sizeof kMagic, 4) != key.size() ||
        bytes.compare(sizeof kMagic + 4, key.size(), key) != 0 ||
        ReadLe(bytes, expected - 8, 8) != Checksum(bytes.data(), expected - 8)) {
        return BackupLoad::kCorrupt;
    }
    std::memcpy(record.data(), bytes.data() + sizeof kMagic + 4 + key.size(), DeviceConfig::kSize);
    return BackupLoad::kLoaded;
}

std::string BackupStore::DefaultRoot() {
    const std::string data = UserDataFolder();
    return data.empty() ? "" : data + "/orvex-cloud-config/backups";
}

BackupStore::BackupStore(std::string root) : root_(std::move(root)) {}

std::string BackupStore::passFolder(const std::string& id) const {
    return root_ + "/" + id;
}

std::vector<std::string> BackupStore::passIds() const {
    std::vector<std::string> ids;
    for (std::string& name : ListSubfolders(root_)) {
        if (IsPassId(name)) {
            ids.push_back(std::move(name));
        }
    }
    std::sort(ids.begin(), ids.end(), OlderPass);
    return ids;
}

std::string BackupStore::beginPass(const std::string& kind, uint32_t sectionMask, std::time_t now,
                                   const std::string& keep) {
    std::lock_guard<std::mutex> guard(beginLock_);
    if (root_.empty() || !MakePrivateFolder(root_)) {
        return {};
    }
    BackupPass pass;
    pass.kind = kind;
    pass.sectionMask = sectionMask;
    pass.when = FormatTime(now, "%Y-%m-%d %H:%M:%S");
    const std::string stamp = FormatTime(now, "%Y%m%d-%H%M%S-");
    for (int n = 1; n < 10000 && pass.id.empty(); ++n) {
        if (MakeNewPrivateFolder(passFolder(stamp + std::to_string(n)))) {
            pass.id = stamp + std::to_string(n);
        } else if (!PathExists(passFolder(stamp + std::to_string(n)))) {
            return {};  // not a name clash: the folder cannot be made
        }
    }
    if (pass.id.empty() || !writePass(pass)) {
        return {};
    }
    std::vector<std::string> ids = passIds();
    for (size_t i = 0; ids.size() - i > kKeptPasses && i < ids.size(); ++i) {
        if (ids[i] != keep && ids[i] != pass.id) {
            RemoveFlatFolder(passFolder(ids[i]));
        }
    }
    return pass.id;
}

bool BackupStore::saveCamera(const std::string& id, const std::string& key,
                             const DeviceConfig& record) {
    if (!IsPassId(id) || key.empty() || key.size() > kMaxKey) {
        return false;
    }
    return WritePrivateFile(passFolder(id) + "/cam-" + Hex(key) + ".rec",
                            EncodeBackup(key, record));
}

BackupLoad BackupStore::loadCamera(const std::string& id, const std::string& key,
                                   DeviceConfig& record) const {
    if (!IsPassId(id) || key.empty() || key.size() > kMaxKey) {
        return BackupLoad::kMissing;
    }
    const std::string path = passFolder(id) + "/cam-" + Hex(key) + ".rec";
    if (!PathExists(path)) {
        return BackupLoad::kMissing;
    }
    std::string bytes;
    if (!ReadWholeFile(path, 2 * DeviceConfig::kSize, bytes)) {
        return BackupLoad::kCorrupt;
    }
    return DecodeBackup(bytes, key, record);
}

bool BackupStore::writePass(const BackupPass& pass) {
    return IsPassId(pass.id) &&
           WritePrivateFile(passFolder(pass.id) + kManifest, WriteJson(PassJson(pass)));
}

bool BackupStore::readPass(const std::string& id, BackupPass& pass) const {
    std::string text;
    Json::Value root;
    return IsPassId(id) && ReadWholeFile(passFolder(id) + kManifest, kMaxManifest, text) &&
           ParseJson(text, root) && root.isObject() && ReadPassJson(root, pass) && pass.id == id;
}

std::vector<BackupPass> BackupStore::listPasses() const {
    std::vector<BackupPass> passes;
    std::vector<std::string> ids = passIds();
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        BackupPass pass;
        if (readPass(*it, pass)) {
            passes.push_back(std::move(pass));
        }
    }
    return passes;
}

}  // namespace orvex
