// Round trip of a camera's record through the page: DeviceConfigToPageJson, the page's
// request read back by ParseIssuedConfig, and every item written back with WriteConfigItem.
//
// The mapping is one-to-one for every converted field except these (CanonicalRecord keeps
// them in the one-to-one range; each lossy case is pinned by the test of its own direction in
// device_config_json_test, issued_config_test and config_items_test):
// - Texts end at their first NUL; issuing clears the field, so bytes after the NUL become 0.
//   Bytes that are not UTF-8 reach the page as U+FFFD.
// - Wi-Fi: the key is read only for security 2 or 4; the alternate key (selector 1) is issued
//   back as the key at 232 with selector 0, and any other selector as an empty key; the key
//   length becomes the bytes copied; the mode is always issued as 0; a cipher other than 0 or
//   1 has no word and is issued as TKIP (or AES when the page fills its default).
// - Motion: the switch reads true only for 1; on the default scale with another detection
//   mode the page value (byte + 1) is issued into the alternate-mode byte; on the percent
//   scale 0xFF shows as 0 and is issued back as 0.
// - Alarm sound block: issued as {24, channel, sound, 0, 0, 0} whatever it held.
// - Streams: bitrate type bytes other than 0 become 1; bitrate codes outside 1 to 30 become 0;
//   encodings without a word become 0xFF; the sub stream gets the main stream's audio word.
// - Wide dynamic range: only the first of the three places is read; a value other than 0 or 1
//   is issued as 0, and all three places are issued equal.
// - Display: logo, channel name and date read true only for 1, weekday for any non-zero, and
//   all are issued as 1 or 0; a time format other than 0 is issued as 1.
// - "proofMode" is always "auto" and never written to the record.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "devcfg/code_tables.h"
#include "devcfg/config_items.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issued_config.h"
#include "devcfg/testing/sample_records.h"

namespace orvex {
namespace {

using testing::CanonicalRecord;
using testing::DebugCapture;

constexpr int32_t kChannel = 3;

// The record through the page and back into IssuedConfig.
IssuedConfig ThroughThePage(const DeviceConfig& record) {
    Json::Value json;
    const std::string items = DeviceConfigToPageJson(record, json);
    IssuedConfig issued;
    ParseIssuedConfig("{\"configItems\":" + items + "}", issued);
    return issued;
}

// Every item of every section written into `record`.
void IssueAll(const IssuedConfig& issued, DeviceConfig& record) {
    for (const IssueItem& item : IssueItems()) {
        for (int i = 0; i < item.codeCount; ++i) {
            WriteConfigItem(item.codes[i], issued, kChannel, record);
        }
    }
}

// Issuing the page's values into a record whose converted fields were scrambled restores the
// original record, all 80,280 bytes: the IssuedConfig read from the page holds every value of
// the record where the mapping is one-to-one (the member names on both sides are pinned by
// DeviceConfigToPageJson.DefaultRecordAsAWholeText and
// ParseIssuedConfig.FullRequestFillsEverySection).
TEST(DevcfgRoundTrip, IssuingThePagesValuesRestoresTheRecord) {
    DebugCapture quiet;
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const auto original = CanonicalRecord(rng, kChannel);
        const IssuedConfig issued = ThroughThePage(*original);
        ASSERT_EQ(issued.sectionMask, 0xFEu);

        auto target = std::make_unique<DeviceConfig>(*original);
        for (int32_t item = 1; item <= 11; ++item) {
            for (size_t i : testing::ItemFieldBytes(item)) {
                target->data()[i] = testing::RandomByte(rng);
            }
        }
        // Fields that issuing leaves as they are when the page has no word for them keep the
        // camera's value, so they are not scrambled. An encoding without a word is left out of
        // the page's configuration, and a member not sent keeps the target's own value.
        for (int s = 0; s < 2; ++s) {
            if (VideoEncodingWord(original->streamVideoEncoding(s)) == nullptr) {
                target->setStreamVideoEncoding(s, original->streamVideoEncoding(s));
            }
            if (AudioEncodingWord(original->streamAudioEncoding(s)) == nullptr) {
                target->setStreamAudioEncoding(s, original->streamAudioEncoding(s));
            }
        }
        if (original->audioInputMode() > 1) {
            target->setAudioInputMode(original->audioInputMode());
        }
        if (original->dateFormat() > 8) {
            target->setDateFormat(original->dateFormat());
        }
        // Only one of the two sensitivity bytes is written, chosen by scale and mode.
        if (original->sensitivityScale() != 2 && original->motionMode() != 0) {
            target->setMotionSensitivity(original->motionSensitivity());
        } else {
            target->setMotionAlternateSensitivity(original->motionAlternateSensitivity());
        }
        if (original->wifiSecurity() != 2 && original->wifiSecurity() != 4) {
            target->setWifiSecurity(original->wifiSecurity());
            target->setWifiCipher(original->wifiCipher());
            target->setWifiKeyLength(original->wifiKeyLength());
            target->setWifiKeySelector(original->wifiKeySelector());
            std::memcpy(target->data() + 232, original->data() + 232, 63);
        }
        ASSERT_FALSE(*target == *original);
        IssueAll(issued, *target);
        for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
            ASSERT_EQ(target->data()[i], original->data()[i]) << "byte " << i;
        }
    }
}

}  // namespace
}  // namespace orvex
