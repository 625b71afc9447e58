// The store's issued configuration: requests replace it under the state lock, and a copy taken
// on another thread is always one request's whole result.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "devcfg/testing/sample_records.h"
#include "studio/data_manager.h"

namespace orvex {
namespace {

// Requests replace the configuration while another thread reads it; fields no request mentions
// are kept, and a text that is not JSON clears only the mask.
TEST(IssuedConfigStore, ReadersNeverSeeAHalfWrittenConfiguration) {
    DataManager& store = DataManager::instance();
    store.setIssuedConfig(testing::FullConfigRequest());
    const std::string a = R"({"configItems":{"imageConfig":{"imageColor":
        {"brightnessLevel":1,"contrastLevel":1,"saturationLevel":1,"hue":1}}}})";
    const std::string b = R"({"configItems":{"imageConfig":{"imageColor":
        {"brightnessLevel":2,"contrastLevel":2,"saturationLevel":2,"hue":2}}}})";
    store.setIssuedConfig(a);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            store.setIssuedConfig(i % 2 == 0 ? b : a);
        }
        done = true;
    });
    int reads = 0;
    while (!done || reads == 0) {
        const IssuedConfig c = store.issuedConfig();
        ASSERT_EQ(c.sectionMask, 0x20u);
        ASSERT_EQ(c.brightnessLevel, c.hue);
        ASSERT_EQ(c.contrastLevel, c.hue);
        ASSERT_EQ(c.saturationLevel, c.hue);
        ++reads;
    }
    writer.join();
    testing::DebugCapture quiet;
    store.setIssuedConfig("not json");
    const IssuedConfig c = store.issuedConfig();
    EXPECT_EQ(c.sectionMask, 0u);
    EXPECT_EQ(c.ssid, "lab-net");
    EXPECT_EQ(c.hue, 1);
}

}  // namespace
}  // namespace orvex
