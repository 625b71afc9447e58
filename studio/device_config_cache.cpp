#include "studio/device_config_cache.h"

namespace orvex {

namespace {
constexpr uint64_t kSlotSize = DeviceConfig::kSize;
}  // namespace

std::unique_ptr<MemoryFile> DeviceConfigCache::MakeMemoryFile() {
    auto file = std::make_unique<MemoryFile>("orvex-device-configs");
    return file->valid() ? std::move(file) : nullptr;
}

bool DeviceConfigCache::writeSlot(long slot, const DeviceConfig& config) {
    if (!file_ && !fileFailed_) {
        file_ = make_();
        fileFailed_ = !file_;
    }
    return file_ && file_->write(static_cast<uint64_t>(slot) * kSlotSize, config.data(),
                                 DeviceConfig::kSize);
}

bool DeviceConfigCache::put(const std::string& key, uint64_t stamp, const DeviceConfig& config) {
    std::lock_guard<std::mutex> lock(lock_);
    Entry& entry = entries_[key];
    if (entry.stamp > stamp) {
        return false;  // a read that started later has already stored its record
    }
    entry.stamp = stamp;
    const long slot = entry.slot >= 0 ? entry.slot : slots_;
    if (writeSlot(slot, config)) {
        if (slot == slots_) {
            ++slots_;
        }
        entry.slot = slot;
        entry.memory.reset();
        return true;
    }
    // A failed write may have left part of a record in the slot. The record is kept in the
    // heap; a slot it had is abandoned, and a new one is handed out again by the next put.
    entry.slot = -1;
    entry.memory = std::make_unique<const DeviceConfig>(config);
    return true;
}

bool DeviceConfigCache::get(const std::string& key, DeviceConfig& config, uint64_t* stamp) const {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        return false;
    }
    const Entry& entry = it->second;
    if (entry.memory) {
        config = *entry.memory;
    } else {
        // Read into a scratch record first so a short read leaves `config` as it was.
        auto read = std::make_unique<DeviceConfig>();
        if (!file_ || !file_->read(static_cast<uint64_t>(entry.slot) * kSlotSize, read->data(),
                                   DeviceConfig::kSize)) {
            return false;
        }
        config = *read;
    }
    if (stamp != nullptr) {
        *stamp = entry.stamp;
    }
    return true;
}

uint64_t DeviceConfigCache::stamp(const std::string& key) const {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = entries_.find(key);
    return it == entries_.end() ? 0 : it->second.stamp;
}

size_t DeviceConfigCache::size() const {
    std::lock_guard<std::mutex> lock(lock_);
    return entries_.size();
}

size_t DeviceConfigCache::inMemoryCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    size_t count = 0;
    for (const auto& [key, entry] : entries_) {
        count += entry.memory ? 1 : 0;
    }
    return count;
}

uint64_t DeviceConfigCache::fileBytes() const {
    std::lock_guard<std::mutex> lock(lock_);
    return file_ ? file_->size() : 0;
}

void DeviceConfigCache::clear() {
    std::lock_guard<std::mutex> lock(lock_);
    entries_.clear();
    file_.reset();
    fileFailed_ = false;
    slots_ = 0;
}

}  // namespace orvex
