#include "platform/rprov/rprov_records.h"

#include <algorithm>
#include <cstring>

namespace orvex {

int32_t BitrateCodeKbps(int32_t code) {
    static constexpr int32_t kKbps[kBitrateCodeCount] = {
        16,  32,  48,  64,   80,   96,   128,  160,  192,  224,  256,  320,   384,  448,   512,
        640, 768, 896, 1024, 1280, 1536, 1792, 2048, 3072, 4096, 8192, 16384, 6144, 10240, 12288,
    };
    return code >= 1 && code <= kBitrateCodeCount ? kKbps[code - 1] : 0;
}

namespace {

bool Fits(size_t total, size_t offset, size_t width) {
    return offset <= total && width <= total - offset;
}

// The text of bytes [begin, begin + width) up to the first NUL.
std::string TextIn(const uint8_t* begin, size_t width) {
    const uint8_t* end = std::find(begin, begin + width, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
}

}  // namespace

DeviceConfig::DeviceConfig() : bytes_{} {
    setBrightness(kDefaultColourValue);
    setContrast(kDefaultColourValue);
    setSaturation(kDefaultColourValue);
    setHue(kDefaultColourValue);
}

std::span<uint8_t> DeviceConfig::block(int32_t item) {
    const RecordBlock b = ConfigItemBlock(item);
    return {bytes_ + b.offset, b.size};
}

std::span<const uint8_t> DeviceConfig::block(int32_t item) const {
    const RecordBlock b = ConfigItemBlock(item);
    return {bytes_ + b.offset, b.size};
}

void DeviceConfig::copyBlockFrom(const DeviceConfig& other, int32_t item) {
    const RecordBlock b = ConfigItemBlock(item);
    if (b.size != 0 && &other != this) {
        std::memcpy(bytes_ + b.offset, other.bytes_ + b.offset, b.size);
    }
}

uint8_t DeviceConfig::byteAt(size_t offset) const {
    return Fits(kSize, offset, 1) ? bytes_[offset] : 0;
}

void DeviceConfig::setByteAt(size_t offset, uint8_t value) {
    if (Fits(kSize, offset, 1)) {
        bytes_[offset] = value;
    }
}

uint16_t DeviceConfig::uint16At(size_t offset) const {
    if (!Fits(kSize, offset, 2)) {
        return 0;
    }
    return static_cast<uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

void DeviceConfig::setUint16At(size_t offset, uint16_t value) {
    if (Fits(kSize, offset, 2)) {
        bytes_[offset] = static_cast<uint8_t>(value);
        bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
    }
}

int32_t DeviceConfig::int32At(size_t offset) const {
    if (!Fits(kSize, offset, 4)) {
        return 0;
    }
    const uint32_t u = static_cast<uint32_t>(bytes_[offset]) |
                       (static_cast<uint32_t>(bytes_[offset + 1]) << 8) |
                       (static_cast<uint32_t>(bytes_[offset + 2]) << 16) |
                       (static_cast<uint32_t>(bytes_[offset + 3]) << 24);
    return static_cast<int32_t>(u);
}

void DeviceConfig::setInt32At(size_t offset, int32_t value) {
    if (Fits(kSize, offset, 4)) {
        const uint32_t u = static_cast<uint32_t>(value);
        for (size_t i = 0; i < 4; ++i) {
            bytes_[offset + i] = static_cast<uint8_t>(u >> (8 * i));
        }
    }
}

std::string DeviceConfig::textAt(size_t offset, size_t width) const {
    return Fits(kSize, offset, width) ? TextIn(bytes_ + offset, width) : std::string();
}

size_t DeviceConfig::setTextAt(size_t offset, size_t width, std::string_view text) {
    if (!Fits(kSize, offset, width)) {
        return 0;
    }
    std::memset(bytes_ + offset, 0, width);
    const size_t n = std::min(width, text.size());
    if (n != 0) {
        std::memcpy(bytes_ + offset, text.data(), n);
    }
    return n;
}

uint8_t DeviceConfig::wideDynamicRange(int place) const {
    return (place >= 0 && place < 3) ? byteAt(kWideDynamicRange[place]) : 0;
}

void DeviceConfig::setWideDynamicRange(uint8_t v) {
    for (size_t offset : kWideDynamicRange) {
        setByteAt(offset, v);
    }
}

void DeviceConfig::setAlarmSoundBlock(int32_t channelNo, int32_t sound) {
    const RecordBlock b = ConfigItemBlock(CFG_ITEM_ALARM_SOUND);
    std::memset(bytes_ + b.offset, 0, b.size);
    setInt32At(kAlarmBlockSize, kAlarmBlockBytes);
    setInt32At(kAlarmChannel, channelNo);
    setInt32At(kAlarmSound, sound);
}

WifiScanList::WifiScanList() : bytes_{} {}

int32_t WifiScanList::count() const {
    uint32_t u = 0;
    for (size_t i = 0; i < 4; ++i) {
        u |= static_cast<uint32_t>(bytes_[kCount + i]) << (8 * i);
    }
    return static_cast<int32_t>(u);
}

void WifiScanList::setCount(int32_t count) {
    const uint32_t u = static_cast<uint32_t>(count);
    for (size_t i = 0; i < 4; ++i) {
        bytes_[kCount + i] = static_cast<uint8_t>(u >> (8 * i));
    }
}

int WifiScanList::entryCount() const {
    return std::clamp<int32_t>(count(), 0, kMaxEntries);
}

void WifiScanList::limitCount() {
    setCount(entryCount());
}

std::string WifiScanList::networkName(int i) const {
    if (i < 0 || i >= kMaxEntries) {
        return {};
    }
    return TextIn(bytes_ + kEntries + kEntrySize * static_cast<size_t>(i), kEntrySize);
}

void WifiScanList::setNetworkName(int i, std::string_view name) {
    if (i < 0 || i >= kMaxEntries) {
        return;
    }
    uint8_t* entry = bytes_ + kEntries + kEntrySize * static_cast<size_t>(i);
    std::memset(entry, 0, kEntrySize);
    const size_t n = std::min(kEntrySize - 1, name.size());
    if (n != 0) {
        std::memcpy(entry, name.data(), n);
    }
}

LoginDeviceInfo::LoginDeviceInfo() : bytes_{} {}

void LoginDeviceInfo::clear() {
    std::memset(bytes_, 0, kSize);
}

std::string LoginDeviceInfo::deviceName() const {
    return TextIn(bytes_, kNameSize);
}

void LoginDeviceInfo::setDeviceName(std::string_view name) {
    std::memset(bytes_, 0, kNameSize);
    const size_t n = std::min(kNameSize - 1, name.size());
    if (n != 0) {
        std::memcpy(bytes_, name.data(), n);
    }
}

std::string LoginDeviceInfo::serialNumber() const {
    return TextIn(bytes_ + kSerialOffset, kSerialSize);
}

void LoginDeviceInfo::setSerialNumber(std::string_view serial) {
    uint8_t* field = bytes_ + kSerialOffset;
    std::memset(field, 0, kSerialSize);
    const size_t n = std::min(kSerialSize - 1, serial.size());
    if (n != 0) {
        std::memcpy(field, serial.data(), n);
    }
}

}  // namespace orvex
