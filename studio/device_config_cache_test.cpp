#include "studio/device_config_cache.h"

#include <gtest/gtest.h>

#include <cstdio>
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

std::FILE* gOpened = nullptr;
std::FILE* OpenRecorded() {
    return gOpened = std::tmpfile();
}
std::FILE* OpenNothing() {
    return nullptr;
}
std::FILE* OpenReadOnly() {
    return std::fopen("/dev/null", "r");
}

long FileSize(std::FILE* f) {
    std::fseek(f, 0, SEEK_END);
    return std::ftell(f);
}

TEST(DeviceConfigCacheTest, RecordsLiveInTheFileAndAKeyReadAgainReusesItsSlot) {
    DeviceConfigCache cache(&OpenRecorded);
    auto a = Record(1), b = Record(2), c = Record(3);
    auto out = std::make_unique<DeviceConfig>();
    EXPECT_FALSE(cache.get("A_1", *out));

    cache.put("A_1", *a);
    cache.put("B_1", *b);
    ASSERT_NE(gOpened, nullptr);
    EXPECT_EQ(FileSize(gOpened), 2 * static_cast<long>(DeviceConfig::kSize));
    cache.put("A_1", *c);  // read again: same slot
    EXPECT_EQ(FileSize(gOpened), 2 * static_cast<long>(DeviceConfig::kSize));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.inMemoryCount(), 0u);

    ASSERT_TRUE(cache.get("A_1", *out));
    EXPECT_TRUE(*out == *c);
    ASSERT_TRUE(cache.get("B_1", *out));
    EXPECT_TRUE(*out == *b);

    cache.clear();
    EXPECT_FALSE(cache.get("B_1", *out));
    EXPECT_EQ(cache.size(), 0u);
    cache.put("C_1", *a);  // a new file after a clear
    ASSERT_TRUE(cache.get("C_1", *out));
    EXPECT_TRUE(*out == *a);
}

TEST(DeviceConfigCacheTest, WithoutAUsableFileRecordsAreKeptInMemory) {
    auto a = Record(4), b = Record(5);
    auto out = std::make_unique<DeviceConfig>();
    for (auto open : {&OpenNothing, &OpenReadOnly}) {
        DeviceConfigCache cache(open);
        cache.put("A_1", *a);
        cache.put("B_1", *b);
        cache.put("A_1", *b);
        EXPECT_EQ(cache.inMemoryCount(), 2u);
        ASSERT_TRUE(cache.get("A_1", *out));
        EXPECT_TRUE(*out == *b);
        ASSERT_TRUE(cache.get("B_1", *out));
        EXPECT_TRUE(*out == *b);
    }
}

}  // namespace
}  // namespace orvex
