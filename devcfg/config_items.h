// Writing an IssuedConfig into a DeviceConfig item by item, the way each configuration item is
// issued to a camera, and the table of issued items in their order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "devcfg/issued_config.h"
#include "platform/rprov/rprov_records.h"

namespace orvex {

// One entry of the result list of an issue: the section bit that asks for it, its UTF-8
// "itemName", and the item codes sent for it in order (the defence entry sends 3, then 11).
struct IssueItem {
    uint32_t sectionBit;
    const char* itemName;
    int32_t codes[2];
    int codeCount;
};

// The ten entries in issuing order: general (1), Wi-Fi (2), defence (3 then 11), video (4),
// audio input (5), audio output (6), wide dynamic range (7), colour (8), logo (10), on-screen
// display (9). Any thread.
std::span<const IssueItem> IssueItems();

// Writes the fields of configuration item `item` (a ConfigItemType) from `issued` into
// `record`, and changes no other byte; a member `issued` does not hold (IssuedConfig::present)
// keeps the record's own value. Page words become library codes here: video and audio
// encodings, date format and audio input words compared without regard to ASCII case (unknown
// encodings become 0xFF, unknown date formats and audio input words leave the byte as it is);
// Wi-Fi words are searched for "wpa2-psk", "wpa-psk" and "aes" in lower case. `channelNo` goes
// into the alarm sound block. Integers written into byte fields keep their low 8 bits. False,
// with nothing written, for a code that is not an item. Pure; any thread.
bool WriteConfigItem(int32_t item, const IssuedConfig& issued, int32_t channelNo,
                     DeviceConfig& record);

// True for the items whose fields are written into the working record before sending, whether
// or not the camera accepts them: compression (4) and colour (8).
bool ConfigItemWrittenInPlace(int32_t item);

// The block to send for `item` to the camera whose current record is `work`: work's block with
// the item's fields written (WriteConfigItem on a copy). For the in-place items the fields are
// also written into `work`. Empty for a code that is not an item. Any thread.
std::vector<uint8_t> PrepareItemBlock(int32_t item, const IssuedConfig& issued, int32_t channelNo,
                                      DeviceConfig& work);

// After the camera accepted `block` for `item`: copies it into `work`, so later items start from
// what the camera holds. Ignored when the block's size is not the item's. Any thread.
void AcceptItemBlock(int32_t item, std::span<const uint8_t> block, DeviceConfig& work);

}  // namespace orvex
