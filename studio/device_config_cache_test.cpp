#include "studio/device_config_cache.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvex {
namespace {

std::unique_ptr<DeviceConfig> Record(uint8_t seed) {
    auto r = std::make_unique<DeviceConfig>();
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        r->data()[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return r;
}

std::unique_ptr<MemoryFile> MakeNothing() {
    return nullptr;
}

TEST(DeviceConfigCacheTest, RecordsLiveInTheMemoryFileAndAKeyReadAgainReusesItsSlot) {
    DeviceConfigCache cache;
    auto a = Record(1), b = Record(2), c = Record(3);
    auto out = std::make_unique<DeviceConfig>();
    EXPECT_FALSE(cache.get("A_1", *out));

    cache.put("A_1", 1, *a);
    cache.put("B_1", 2, *b);
    EXPECT_EQ(cache.fileBytes(), 2 * DeviceConfig::kSize);
    cache.put("A_1", 3, *c);  // read again: same slot
    EXPECT_EQ(cache.fileBytes(), 2 * DeviceConfig::kSize);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.inMemoryCount(), 0u);

    uint64_t stamp = 0;
    ASSERT_TRUE(cache.get("A_1", *out, &stamp));
    EXPECT_TRUE(*out == *c);
    EXPECT_EQ(stamp, 3u);
    ASSERT_TRUE(cache.get("B_1", *out));
    EXPECT_TRUE(*out == *b);

    cache.clear();
    EXPECT_FALSE(cache.get("B_1", *out));
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(cache.fileBytes(), 0u);
    cache.put("C_1", 4, *a);  // a new file after a clear
    ASSERT_TRUE(cache.get("C_1", *out));
    EXPECT_TRUE(*out == *a);
}

TEST(DeviceConfigCacheTest, AReadThatStartedEarlierNeverReplacesALaterOne) {
    for (auto make : {&DeviceConfigCache::MakeMemoryFile, &MakeNothing}) {
        DeviceConfigCache cache(make);
        auto early = Record(4), late = Record(5);
        auto out = std::make_unique<DeviceConfig>();
        EXPECT_TRUE(cache.put("A_1", 7, *late));
        EXPECT_FALSE(cache.put("A_1", 6, *early));
        EXPECT_EQ(cache.stamp("A_1"), 7u);
        EXPECT_EQ(cache.stamp("B_1"), 0u);
        ASSERT_TRUE(cache.get("A_1", *out));
        EXPECT_TRUE(*out == *late);
    }
}

TEST(DeviceConfigCacheTest, WithoutAMemoryFileRecordsAreKeptInTheHeap) {
    DeviceConfigCache cache(&MakeNothing);
    auto a = Record(4), b = Record(5);
    auto out = std::make_unique<DeviceConfig>();
    cache.put("A_1", 1, *a);
    cache.put("B_1", 2, *b);
    cache.put("A_1", 3, *b);
    EXPECT_EQ(cache.inMemoryCount(), 2u);
    EXPECT_EQ(cache.fileBytes(), 0u);
    ASSERT_TRUE(cache.get("A_1", *out));
    EXPECT_TRUE(*out == *b);
}

}  // namespace
}  // namespace orvex
