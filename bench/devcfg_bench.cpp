// Per-call cost of the device configuration conversions: a record to the page's JSON, a range
// of 12 resolutions with 30 frame rates each to the page's JSON, and a full page
// configuration read into the store's issued configuration.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "devcfg/config_items.h"
#include "devcfg/config_range_json.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issued_config.h"
#include "devcfg/testing/sample_records.h"
#include "studio/data_manager.h"

namespace {

using namespace orvex;

void BM_DeviceConfigToPageJson(benchmark::State& state) {
    std::mt19937 rng(1);
    const auto record = testing::CanonicalRecord(rng, 1);
    for (auto _ : state) {
        Json::Value json;
        benchmark::DoNotOptimize(DeviceConfigToPageJson(*record, json));
    }
}
BENCHMARK(BM_DeviceConfigToPageJson);

void BM_ConfigRangeToPageJson(benchmark::State& state) {
    const ConfigRange range = testing::SampleRange(12, 30);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConfigRangeToPageJson(range));
    }
}
BENCHMARK(BM_ConfigRangeToPageJson);

void BM_SetIssuedConfig(benchmark::State& state) {
    const std::string request = testing::FullConfigRequest();
    DataManager& store = DataManager::instance();
    for (auto _ : state) {
        store.setIssuedConfig(request);
    }
    benchmark::DoNotOptimize(store.issuedConfig());
}
BENCHMARK(BM_SetIssuedConfig);

// Preparing every item block of a full configuration for one camera, as issuing does.
void BM_PrepareAllItemBlocks(benchmark::State& state) {
    std::mt19937 rng(2);
    auto work = testing::CanonicalRecord(rng, 1);
    IssuedConfig issued;
    ParseIssuedConfig(testing::FullConfigRequest(), issued);
    for (auto _ : state) {
        for (const IssueItem& item : IssueItems()) {
            for (int i = 0; i < item.codeCount; ++i) {
                benchmark::DoNotOptimize(PrepareItemBlock(item.codes[i], issued, 1, *work));
            }
        }
    }
}
BENCHMARK(BM_PrepareAllItemBlocks);

}  // namespace

BENCHMARK_MAIN();
