// The records exchanged with the device library: the 80,280-byte device configuration with its
// blocks and item codes, the Wi-Fi scan list, the login device information and the ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// The item code under which one block of a DeviceConfig is sent back to a camera (the first
// integer argument of RPROV_SetConfig_To_Dev after the login handle).
enum ConfigItemType : int32_t {
    CFG_ITEM_TIME = 1,          // time block
    CFG_ITEM_WIFI = 2,          // Wi-Fi block
    CFG_ITEM_MOTION = 3,        // picture block, sent for its motion-detection sub-block
    CFG_ITEM_COMPRESSION = 4,   // compression block (five stream records)
    CFG_ITEM_AUDIO_IN = 5,      // audio input block
    CFG_ITEM_AUDIO_OUT = 6,     // audio output block
    CFG_ITEM_IMAGE = 7,         // image block (wide dynamic range)
    CFG_ITEM_COLOR = 8,         // colour block
    CFG_ITEM_OSD = 9,           // picture block, sent for its on-screen display fields
    CFG_ITEM_LOGO = 10,         // logo block
    CFG_ITEM_ALARM_SOUND = 11,  // alarm sound block
};

// The rate in kbit/s of a stream record's bitrate code (1 to 30); 0 for any other code. Codes
// 27 to 30 are not in ascending order. Any thread.
int32_t BitrateCodeKbps(int32_t code);
inline constexpr int32_t kBitrateCodeCount = 30;

// A byte range of a DeviceConfig.
struct RecordBlock {
    size_t offset = 0;
    size_t size = 0;
    bool operator==(const RecordBlock&) const = default;
};

// The block sent under `item`; {0, 0} for a code that is not an item. Any thread.
constexpr RecordBlock ConfigItemBlock(int32_t item) {
    switch (item) {
        case CFG_ITEM_TIME:
            return {0, 80};
        case CFG_ITEM_WIFI:
            return {80, 296};
        case CFG_ITEM_MOTION:
            return {412, 77140};
        case CFG_ITEM_COMPRESSION:
            return {79564, 580};
        case CFG_ITEM_AUDIO_IN:
            return {80144, 8};
        case CFG_ITEM_AUDIO_OUT:
            return {80152, 68};
        case CFG_ITEM_IMAGE:
            return {77552, 2012};
        case CFG_ITEM_COLOR:
            return {80220, 16};
        case CFG_ITEM_OSD:
            return {412, 77140};
        case CFG_ITEM_LOGO:
            return {376, 36};
        case CFG_ITEM_ALARM_SOUND:
            return {80256, 24};
        default:
            return {0, 0};
    }
}

// The exact size of the block of `item`; 0 for a code that is not an item. Any thread.
constexpr size_t ConfigItemSize(int32_t item) {
    return ConfigItemBlock(item).size;
}

// True for the item codes 1 to 11. Any thread.
constexpr bool IsConfigItemType(int32_t item) {
    return ConfigItemSize(item) != 0;
}

// A camera's complete configuration: 80,280 bytes, little-endian, laid out as the device
// library lays it out. Fields are read and written through the accessors below, which copy
// bytes; every byte without an accessor is carried unchanged. Texts are NUL-padded byte
// arrays and are never read past their field. Not synchronised: one thread at a time.
class DeviceConfig {
  public:
    static constexpr size_t kSize = 80280;

    // Field offsets from the start of the record, and text field widths.
    static constexpr size_t kTimeServerAddress = 0, kTimeServerAddressSize = 64;
    static constexpr size_t kWifiSsid = 188, kWifiSsidSize = 32;
    static constexpr size_t kWifiMode = 220;
    static constexpr size_t kWifiSecurity = 224;
    static constexpr size_t kWifiKeyLength = 228;
    static constexpr size_t kWifiKey = 232, kWifiKeySize = 63;
    static constexpr size_t kWifiCipher = 295;
    static constexpr size_t kWifiAlternateKey = 296, kWifiAlternateKeySize = 68;
    static constexpr size_t kWifiKeySelector = 364;
    static constexpr size_t kLogoShown = 380;
    static constexpr size_t kChannelNameShown = 516;
    static constexpr size_t kDateShown = 560;
    static constexpr size_t kDateFormat = 568;
    static constexpr size_t kWeekShown = 569;
    static constexpr size_t kDisplayState = 570;
    static constexpr size_t kTimeFormat = 571;
    static constexpr size_t kMotionSensitivity = 40344;
    static constexpr size_t kMotionAlternateSensitivity = 40349;
    static constexpr size_t kMotionSwitch = 41676;
    static constexpr size_t kMotionMode = 41678;
    static constexpr size_t kWideDynamicRange[3] = {77628, 78120, 78612};
    static constexpr size_t kStreamRecords = 79564, kStreamRecordSize = 116, kStreamCount = 5;
    static constexpr size_t kAudioInputMode = 80144;
    static constexpr size_t kAudioInputVolume = 80145;
    static constexpr size_t kAudioOutputVolume = 80156;
    static constexpr size_t kBrightness = 80220, kContrast = 80224, kSaturation = 80228,
                            kHue = 80232;
    static constexpr size_t kSensitivityScale = 80248;
    static constexpr size_t kAlternateSensitivityFlag = 80252;
    static constexpr size_t kAlarmBlockSize = 80256, kAlarmChannel = 80260, kAlarmSound = 80264;

    // Offsets inside one 116-byte stream record.
    static constexpr size_t kStreamType = 4, kStreamFlowType = 8, kStreamResolution = 9,
                            kStreamBitrateType = 10, kStreamPicQuality = 11,
                            kStreamBitrateCode = 12, kStreamFrameRate = 16,
                            kStreamIFrameInterval = 20, kStreamFrameType = 22,
                            kStreamVideoEncoding = 24, kStreamAudioEncoding = 25;

    // The motion-detection sub-block: inside the picture block, sent as part of item 3.
    static constexpr RecordBlock kMotionBlock = {34200, 26404};
    // Not part of any block; read by the sensitivity conversions only.
    static constexpr int32_t kPercentScale = 2;  // sensitivity scale selector value
    static constexpr int32_t kAlarmBlockBytes = 24;
    static constexpr int32_t kDefaultColourValue = 6;

    // All zero except the four colour values, which are 6.
    DeviceConfig();

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    static constexpr size_t size() { return kSize; }

    // The bytes of the block of `item`; empty for a code that is not an item.
    std::span<uint8_t> block(int32_t item);
    std::span<const uint8_t> block(int32_t item) const;
    // Copies the block of `item` from `other` into this record.
    void copyBlockFrom(const DeviceConfig& other, int32_t item);

    // Raw little-endian access at any offset. Reads outside the record give 0 (or an empty
    // text); writes outside it do nothing.
    uint8_t byteAt(size_t offset) const;
    void setByteAt(size_t offset, uint8_t value);
    uint16_t uint16At(size_t offset) const;
    void setUint16At(size_t offset, uint16_t value);
    int32_t int32At(size_t offset) const;
    void setInt32At(size_t offset, int32_t value);
    // The text of a `width`-byte field up to its first NUL, never past the field.
    std::string textAt(size_t offset, size_t width) const;
    // Clears the field and copies in `text` cut to `width` bytes; returns the bytes copied.
    size_t setTextAt(size_t offset, size_t width, std::string_view text);

    // Time block.
    std::string timeServerAddress() const { return textAt(kTimeServerAddress, 64); }
    size_t setTimeServerAddress(std::string_view v) { return setTextAt(kTimeServerAddress, 64, v); }

    // Wi-Fi block. Security: 2 = WPA-PSK, 4 = WPA2-PSK. Cipher: 0 = AES, 1 = TKIP. Key
    // selector: 0 = the key at 232, 1 = the alternate key at 296.
    std::string wifiSsid() const { return textAt(kWifiSsid, kWifiSsidSize); }
    size_t setWifiSsid(std::string_view v) { return setTextAt(kWifiSsid, kWifiSsidSize, v); }
    int32_t wifiMode() const { return int32At(kWifiMode); }
    void setWifiMode(int32_t v) { setInt32At(kWifiMode, v); }
    int32_t wifiSecurity() const { return int32At(kWifiSecurity); }
    void setWifiSecurity(int32_t v) { setInt32At(kWifiSecurity, v); }
    int32_t wifiKeyLength() const { return int32At(kWifiKeyLength); }
    void setWifiKeyLength(int32_t v) { setInt32At(kWifiKeyLength, v); }
    std::string wifiKey() const { return textAt(kWifiKey, kWifiKeySize); }
    size_t setWifiKey(std::string_view v) { return setTextAt(kWifiKey, kWifiKeySize, v); }
    uint8_t wifiCipher() const { return byteAt(kWifiCipher); }
    void setWifiCipher(uint8_t v) { setByteAt(kWifiCipher, v); }
    std::string wifiAlternateKey() const {
        return textAt(kWifiAlternateKey, kWifiAlternateKeySize);
    }
    size_t setWifiAlternateKey(std::string_view v) {
        return setTextAt(kWifiAlternateKey, kWifiAlternateKeySize, v);
    }
    uint8_t wifiKeySelector() const { return byteAt(kWifiKeySelector); }
    void setWifiKeySelector(uint8_t v) { setByteAt(kWifiKeySelector, v); }

    // Logo block.
    uint8_t logoShown() const { return byteAt(kLogoShown); }
    void setLogoShown(uint8_t v) { setByteAt(kLogoShown, v); }

    // On-screen display fields of the picture block.
    int32_t channelNameShown() const { return int32At(kChannelNameShown); }
    void setChannelNameShown(int32_t v) { setInt32At(kChannelNameShown, v); }
    int32_t dateShown() const { return int32At(kDateShown); }
    void setDateShown(int32_t v) { setInt32At(kDateShown, v); }
    uint8_t dateFormat() const { return byteAt(kDateFormat); }
    void setDateFormat(uint8_t v) { setByteAt(kDateFormat, v); }
    uint8_t weekShown() const { return byteAt(kWeekShown); }
    void setWeekShown(uint8_t v) { setByteAt(kWeekShown, v); }
    uint8_t displayState() const { return byteAt(kDisplayState); }
    void setDisplayState(uint8_t v) { setByteAt(kDisplayState, v); }
    uint8_t timeFormat() const { return byteAt(kTimeFormat); }
    void setTimeFormat(uint8_t v) { setByteAt(kTimeFormat, v); }

    // Motion-detection sub-block.
    uint8_t motionSensitivity() const { return byteAt(kMotionSensitivity); }
    void setMotionSensitivity(uint8_t v) { setByteAt(kMotionSensitivity, v); }
    uint8_t motionAlternateSensitivity() const { return byteAt(kMotionAlternateSensitivity); }
    void setMotionAlternateSensitivity(uint8_t v) { setByteAt(kMotionAlternateSensitivity, v); }
    uint8_t motionSwitch() const { return byteAt(kMotionSwitch); }
    void setMotionSwitch(uint8_t v) { setByteAt(kMotionSwitch, v); }
    uint8_t motionMode() const { return byteAt(kMotionMode); }
    void setMotionMode(uint8_t v) { setByteAt(kMotionMode, v); }

    // Image block: the wide dynamic range switch, kept in three places (0 to 2).
    uint8_t wideDynamicRange(int place = 0) const;
    void setWideDynamicRange(uint8_t v);  // all three places

    // Compression block: stream record s (0 = main, 1 = sub; 2 to 4 exist but are not used).
    // A stream index outside 0 to 4 reads 0 and writes nothing.
    int32_t streamType(int s) const { return int32At(streamField(s, kStreamType)); }
    void setStreamType(int s, int32_t v) { setInt32At(streamField(s, kStreamType), v); }
    uint8_t streamFlowType(int s) const { return byteAt(streamField(s, kStreamFlowType)); }
    void setStreamFlowType(int s, uint8_t v) { setByteAt(streamField(s, kStreamFlowType), v); }
    uint8_t streamResolution(int s) const { return byteAt(streamField(s, kStreamResolution)); }
    void setStreamResolution(int s, uint8_t v) { setByteAt(streamField(s, kStreamResolution), v); }
    uint8_t streamBitrateType(int s) const { return byteAt(streamField(s, kStreamBitrateType)); }
    void setStreamBitrateType(int s, uint8_t v) {
        setByteAt(streamField(s, kStreamBitrateType), v);
    }
    uint8_t streamPicQuality(int s) const { return byteAt(streamField(s, kStreamPicQuality)); }
    void setStreamPicQuality(int s, uint8_t v) { setByteAt(streamField(s, kStreamPicQuality), v); }
    int32_t streamBitrateCode(int s) const { return int32At(streamField(s, kStreamBitrateCode)); }
    void setStreamBitrateCode(int s, int32_t v) {
        setInt32At(streamField(s, kStreamBitrateCode), v);
    }
    int32_t streamFrameRate(int s) const { return int32At(streamField(s, kStreamFrameRate)); }
    void setStreamFrameRate(int s, int32_t v) { setInt32At(streamField(s, kStreamFrameRate), v); }
    uint16_t streamIFrameInterval(int s) const {
        return uint16At(streamField(s, kStreamIFrameInterval));
    }
    void setStreamIFrameInterval(int s, uint16_t v) {
        setUint16At(streamField(s, kStreamIFrameInterval), v);
    }
    uint8_t streamFrameType(int s) const { return byteAt(streamField(s, kStreamFrameType)); }
    void setStreamFrameType(int s, uint8_t v) { setByteAt(streamField(s, kStreamFrameType), v); }
    uint8_t streamVideoEncoding(int s) const {
        return byteAt(streamField(s, kStreamVideoEncoding));
    }
    void setStreamVideoEncoding(int s, uint8_t v) {
        setByteAt(streamField(s, kStreamVideoEncoding), v);
    }
    uint8_t streamAudioEncoding(int s) const {
        return byteAt(streamField(s, kStreamAudioEncoding));
    }
    void setStreamAudioEncoding(int s, uint8_t v) {
        setByteAt(streamField(s, kStreamAudioEncoding), v);
    }

    // Audio blocks. Input mode: 0 = microphone, 1 = line.
    uint8_t audioInputMode() const { return byteAt(kAudioInputMode); }
    void setAudioInputMode(uint8_t v) { setByteAt(kAudioInputMode, v); }
    uint8_t audioInputVolume() const { return byteAt(kAudioInputVolume); }
    void setAudioInputVolume(uint8_t v) { setByteAt(kAudioInputVolume, v); }
    uint8_t audioOutputVolume() const { return byteAt(kAudioOutputVolume); }
    void setAudioOutputVolume(uint8_t v) { setByteAt(kAudioOutputVolume, v); }

    // Colour block.
    int32_t brightness() const { return int32At(kBrightness); }
    void setBrightness(int32_t v) { setInt32At(kBrightness, v); }
    int32_t contrast() const { return int32At(kContrast); }
    void setContrast(int32_t v) { setInt32At(kContrast, v); }
    int32_t saturation() const { return int32At(kSaturation); }
    void setSaturation(int32_t v) { setInt32At(kSaturation, v); }
    int32_t hue() const { return int32At(kHue); }
    void setHue(int32_t v) { setInt32At(kHue, v); }

    // Sensitivity scale selector (2 = percent scale) and alternate sensitivity flag.
    int32_t sensitivityScale() const { return int32At(kSensitivityScale); }
    void setSensitivityScale(int32_t v) { setInt32At(kSensitivityScale, v); }
    uint8_t alternateSensitivityFlag() const { return byteAt(kAlternateSensitivityFlag); }
    void setAlternateSensitivityFlag(uint8_t v) { setByteAt(kAlternateSensitivityFlag, v); }

    // Alarm sound block: {size 24, channel, sound, then 12 zero bytes}.
    int32_t alarmBlockSize() const { return int32At(kAlarmBlockSize); }
    int32_t alarmChannel() const { return int32At(kAlarmChannel); }
    int32_t alarmSound() const { return int32At(kAlarmSound); }
    // Writes the whole 24-byte block: size 24, the channel, the sound and 12 zero bytes.
    void setAlarmSoundBlock(int32_t channelNo, int32_t sound);

    bool operator==(const DeviceConfig&) const = default;

  private:
    // The record offset of `field` in stream record s; past the end for a bad s.
    static constexpr size_t streamField(int s, size_t field) {
        return (s >= 0 && static_cast<size_t>(s) < kStreamCount)
                   ? kStreamRecords + kStreamRecordSize * static_cast<size_t>(s) + field
                   : kSize;
    }

    uint8_t bytes_[kSize];
};

static_assert(sizeof(DeviceConfig) == 80280, "DeviceConfig must be exactly 80,280 bytes");
static_assert(DeviceConfig::kMotionBlock.offset == ConfigItemBlock(CFG_ITEM_MOTION).offset + 33788);

// The Wi-Fi networks a camera sees: 1,048 bytes: an unread int32, the entry count, then 20
// entries of 52 bytes, each beginning with the network name as a NUL-terminated text.
// Not synchronised: one thread at a time.
class WifiScanList {
  public:
    static constexpr size_t kSize = 1048;
    static constexpr int kMaxEntries = 20;
    static constexpr size_t kEntrySize = 52;
    static constexpr size_t kCount = 4, kEntries = 8;

    // All zero.
    WifiScanList();

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    static constexpr size_t size() { return kSize; }

    // The count as the library wrote it.
    int32_t count() const;
    void setCount(int32_t count);
    // The number of usable entries: the count limited to 0..20.
    int entryCount() const;
    // Writes entryCount() back into the count field.
    void limitCount();
    // The name of entry i (0 to 19) up to its NUL, never past the entry; empty for a bad i.
    std::string networkName(int i) const;
    // Clears entry i and writes `name` cut to 51 bytes, NUL-terminated.
    void setNetworkName(int i, std::string_view name);

    bool operator==(const WifiScanList&) const = default;

  private:
    uint8_t bytes_[kSize];
};

static_assert(sizeof(WifiScanList) == 1048, "WifiScanList must be exactly 1,048 bytes");

// The device information block that a login fills: 344 bytes beginning with a 48-byte device
// name, then the device's 129-byte serial (both NUL-terminated texts). The program zeroes it
// before each login; the issuing worker reads the serial to make sure it reached the camera it
// means to write.
class LoginDeviceInfo {
  public:
    static constexpr size_t kSize = 344;
    static constexpr size_t kNameSize = 48;
    static constexpr size_t kSerialOffset = kNameSize;
    static constexpr size_t kSerialSize = 129;

    // All zero.
    LoginDeviceInfo();
    void clear();

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    static constexpr size_t size() { return kSize; }

    // The leading 48-byte text, up to its NUL.
    std::string deviceName() const;
    void setDeviceName(std::string_view name);
    // The serial text after the name, up to its NUL; empty when the device reported none.
    std::string serialNumber() const;
    void setSerialNumber(std::string_view serial);

    bool operator==(const LoginDeviceInfo&) const = default;

  private:
    uint8_t bytes_[kSize];
};

static_assert(sizeof(LoginDeviceInfo) == 344, "LoginDeviceInfo must be exactly 344 bytes");

// Three int32: min, max, default.
struct RangeTriple {
    int32_t min = 0;
    int32_t max = 0;
    int32_t defaultValue = 0;
    bool operator==(const RangeTriple&) const = default;
};

// An ordered list of int32 choices and a default (0 when constructed).
struct IntChoiceList {
    std::vector<int32_t> values;
    int32_t defaultValue = 0;
    bool operator==(const IntChoiceList&) const = default;
};

// An ordered list of text choices and a default (-1 when constructed).
struct TextChoiceList {
    std::vector<std::string> values;
    int32_t defaultValue = -1;
    bool operator==(const TextChoiceList&) const = default;
};

// One resolution a stream supports, with its bitrate bounds and frame rates.
struct ResolutionEntry {
    std::string name;
    std::string value;
    int32_t index = 0;
    int32_t bitrateMin = 0;
    int32_t bitrateMax = 0;
    int32_t bitrateDefault = 0;
    std::vector<int32_t> frameRates;
    bool operator==(const ResolutionEntry&) const = default;
};

// The ranges and choices of a camera's settings, as the library fills them. Members in the
// library's order; those marked "not read" are carried for the library only.
struct ConfigRange {
    std::string serial;
    int32_t channelNo = 0;
    RangeTriple brightness;
    RangeTriple contrast;
    RangeTriple saturation;
    RangeTriple sharpness;
    int32_t reserved = 0;  // not read
    IntChoiceList mainAudioEncTypes;
    IntChoiceList subAudioEncTypes;
    IntChoiceList audioInTypes;
    RangeTriple audioInVolume;
    RangeTriple audioOutVolume;
    bool supportShowWeek = false;
    TextChoiceList osdTypes;
    TextChoiceList osdAttribs;
    TextChoiceList osdHourTypes;
    IntChoiceList streamTypes;
    IntChoiceList videoTypes;
    std::vector<RangeTriple> iFrameRanges;
    std::vector<IntChoiceList> streamVideoTypes;
    std::vector<ResolutionEntry> mainResolutions;
    std::vector<ResolutionEntry> subResolutions;
    IntChoiceList reservedChoicesA;  // not read
    IntChoiceList reservedChoicesB;  // not read
    bool operator==(const ConfigRange&) const = default;
};

}  // namespace orvex
