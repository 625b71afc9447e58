#include "studio/device_config_cache.h"

namespace orvex {

namespace {
constexpr long kSlotSize = static_cast<long>(DeviceConfig::kSize);
}  // namespace

bool DeviceConfigCache::writeSlot(long slot, const DeviceConfig& config) {
    if (!file_ && !fileFailed_) {
        file_.reset(open_());
        if (file_) {
            // Whole records only: a stream buffer would just copy every record once more.
            std::setvbuf(file_.get(), nullptr, _IONBF, 0);
        } else {
            fileFailed_ = true;
        }
    }
    if (!file_) {
        return false;
    }
    return std::fseek(file_.get(), slot * kSlotSize, SEEK_SET) == 0 &&
           std::fwrite(config.data(), 1, DeviceConfig::kSize, file_.get()) == DeviceConfig::kSize;
}

void DeviceConfigCache::put(const std::string& key, const DeviceConfig& config) {
    std::lock_guard<std::mutex> lock(lock_);
    Entry& entry = entries_[key];
    const long slot = entry.slot >= 0 ? entry.slot : slots_;
    if (writeSlot(slot, config)) {
        if (slot == slots_) {
            ++slots_;
        }
        entry.slot = slot;
        entry.memory.reset();
        return;
    }
    // A failed write may have left part of a record in the slot. The record is kept in memory;
    // a slot it had is abandoned, and a new one is handed out again by the next put.
    if (file_) {
        std::clearerr(file_.get());
    }
    entry.slot = -1;
    entry.memory = std::make_unique<const DeviceConfig>(config);
}

bool DeviceConfigCache::get(const std::string& key, DeviceConfig& config) const {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        return false;
    }
    const Entry& entry = it->second;
    if (entry.memory) {
        config = *entry.memory;
        return true;
    }
    if (!file_ || std::fseek(file_.get(), entry.slot * kSlotSize, SEEK_SET) != 0) {
        return false;
    }
    // Read into a scratch record first so a short read leaves `config` as it was.
    auto read = std::make_unique<DeviceConfig>();
    if (std::fread(read->data(), 1, DeviceConfig::kSize, file_.get()) != DeviceConfig::kSize) {
        std::clearerr(file_.get());
        return false;
    }
    config = *read;
    return true;
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

void DeviceConfigCache::clear() {
    std::lock_guard<std::mutex> lock(lock_);
    entries_.clear();
    file_.reset();
    fileFailed_ = false;
    slots_ = 0;
}

}  // namespace orvex
