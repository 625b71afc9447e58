// The wire form of ConfigRange: its members in order, lists with a bounded count.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/rprov/rprov_records.h"

namespace orvex::rprov {

// Bounds of the encoded form: texts up to 255 bytes, lists up to 64 entries, up to 8
// per-stream video type lists.
inline constexpr size_t kMaxRangeText = 255;
inline constexpr size_t kMaxRangeList = 64;
inline constexpr size_t kMaxStreamVideoTypeLists = 8;

// Nothing when a text or a list is over its bound. Any thread.
std::optional<std::vector<uint8_t>> EncodeConfigRange(const orvex::ConfigRange& range);
// Nothing unless `bytes` is exactly one encoded range within the bounds. Any thread.
std::optional<orvex::ConfigRange> DecodeConfigRange(std::span<const uint8_t> bytes);

}  // namespace orvex::rprov
