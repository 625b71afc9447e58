// The store's camera operations from many threads at once, as the pool workers, the studio
// receive thread and the main thread run them: configuration reads, range and Wi-Fi requests,
// password checks, group readers and issue requests, all against the same lab cameras. Run
// under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issue_worker.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tests/devices/lab_cameras.h"

namespace orvex {
namespace {

using testing::LabCamera;
using testing::LabCameras;

TEST(DeviceOperationsStress, ConcurrentReadsChecksAndIssuesKeepTheCachesConsistent) {
    DataManager& store = DataManager::instance();
    store.resetForTesting();
    testing::ShortDeviceLimits limits(2000, 5000);
    const std::vector<std::string> serials = {"ST1", "ST2", "ST3", "ST4"};
    std::vector<lab::CameraSetup> setups;
    for (const std::string& s : serials) {
        setups.push_back(LabCamera(s, "pw", {1, 2}));
    }
    LabCameras lab(setups);
    ASSERT_TRUE(lab.started());

    // Every camera waits for its password in one group.
    Json::Value group(Json::objectValue);
    group["groupName"] = "Stress";
    group["groupId"] = "g-stress";
    group["groupDevNum"] = static_cast<int>(serials.size());
    for (const std::string& s : serials) {
        Json::Value camera = WriteCameraObject(lab.record(s));
        camera["CheckPassword"] = true;
        group["cameraLst"].append(camera);
    }
    Json::Value message(Json::objectValue);
    message["groupInfo"].append(group);
    store.onGroupInfoMessage(WriteJson(message));

    constexpr int kRounds = 15;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    // Pool workers: configuration, range and Wi-Fi requests, each on its own camera.
    for (const std::string& s : serials) {
        threads.emplace_back([&, s] {
            for (int i = 0; i < kRounds; ++i) {
                const int32_t channel = 1 + i % 2;
                Json::Value answer;
                if (!ParseJson(store.getCameraCfgInfo(lab.request(s, channel)), answer) ||
                    !answer.isMember("configItems")) {
                    ++failures;
                }
                if (store.getCameraCfgRangeInfo(lab.request(s, channel)).empty()) {
                    ++failures;
                }
                std::string wifi;
                store.getWifiInfoByDevSerial(lab.request(s, channel), wifi);
                if (wifi.empty()) {
                    ++failures;
                }
            }
        });
    }
    // The main thread's password checks and quick answers.
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
            CameraRecord camera;
            bool passed = false;
            store.CheckDevPassword(lab.request(serials[i % serials.size()]), camera, passed);
            if (!passed) {
                ++failures;
            }
            store.getGroupInfo();
            store.getAllCamerasInfo();
        }
    });
    // Two issue requests at a time.
    IssueRequestRunner runner;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 3; ++i) {
                const std::string targets =
                    "[" + lab.request(serials[static_cast<size_t>(t)]) + "," +
                    lab.request(serials[static_cast<size_t>(t + 2)], 2) + "]";
                const std::string config =
                    R"({"configItems":{"imageConfig":{"imageColor":{
                    "brightnessLevel":)" +
                    std::to_string(40 + t) +
                    R"(,"contrastLevel":50,"saturationLevel":50,"hue":50}}}})";
                runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, targets, config,
                           [&](const std::string& result) {
                               if (result.find("\"isSuccess\" : false") != std::string::npos) {
                                   ++failures;
                               }
                           });
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);

    // Every camera was confirmed, in the list and on the page.
    DataManager::GroupSnapshot groups = store.groups();
    ASSERT_EQ(groups->size(), 1u);
    for (const CameraRecord& c : (*groups)[0]->cameras) {
        EXPECT_FALSE(c.CheckPassword) << c.serial;
    }
    EXPECT_EQ(store.getGroupInfo().find(R"("CheckPassword" : true)"), std::string::npos);
    EXPECT_NE(store.getGroupInfo().find(R"("CheckPassword" : false)"), std::string::npos);

    // After a last read, the three entries of every key describe the same record: the one the
    // camera stores.
    for (const std::string& s : serials) {
        for (int32_t channel : {1, 2}) {
            store.getCameraCfgInfo(lab.request(s, channel));
            const std::string key = s + "_" + std::to_string(channel);
            DeviceConfig record;
            std::string configText;
            ASSERT_TRUE(store.cachedDeviceConfig(key, record));
            ASSERT_TRUE(store.cachedConfig(key, configText));
            EXPECT_EQ(record, *lab.stored(s, channel)) << key;
            Json::Value unused(Json::objectValue);
            EXPECT_EQ(configText, DeviceConfigToPageJson(record, unused)) << key;
        }
    }
    store.resetForTesting();
}

// A pass over 200 cameras, 16 at a time, while the studio keeps pushing group messages and the
// page keeps asking for configurations and group pages.
TEST(DeviceOperationsStress, AConcurrentPassBesideStudioMessagesAndPageQueries) {
    DataManager& store = DataManager::instance();
    store.resetForTesting();
    testing::ShortDeviceLimits limits(2000, 5000);
    std::vector<lab::CameraSetup> setups;
    for (int i = 0; i < 200; ++i) {
        setups.push_back(LabCamera("PS" + std::to_string(i)));
    }
    LabCameras lab(setups);
    ASSERT_TRUE(lab.started());
    Json::Value targets(Json::arrayValue);
    Json::Value group(Json::objectValue);
    group["groupName"] = "Pass";
    group["groupId"] = "g-pass";
    for (const lab::CameraSetup& setup : setups) {
        targets.append(WriteCameraObject(lab.record(setup.serial)));
        group["cameraLst"].append(targets[targets.size() - 1]);
    }
    Json::Value message(Json::objectValue);
    message["groupInfo"].append(group);
    const std::string groupText = WriteJson(message);

    std::atomic<bool> passDone{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {  // the studio's receive thread
        while (!passDone) {
            store.onGroupInfoMessage(groupText);
        }
    });
    threads.emplace_back([&] {  // the page, through the pool and the GUI thread
        for (size_t i = 0; !passDone; i = (i + 7) % setups.size()) {
            if (store.getCameraCfgInfo(lab.request(setups[i].serial)).find("configItems") ==
                std::string::npos) {
                ++failures;
            }
            store.getGroupCamerasInfo(R"({"groupId":"g-pass","camerasPageNum":2,"pageSize":10})");
        }
    });
    IssueWorker worker(DataManager::instance());
    worker.setConcurrency(16);
    store.setIssuedObject(WriteJson(targets), worker.concurrency());
    store.setIssuedConfig(R"({"configItems":{"imageConfig":{"imageColor":{"brightnessLevel":12,
        "contrastLevel":34,"saturationLevel":56,"hue":78}}}})");
    std::atomic<int> progress{0};
    worker.Run([&](const std::string&) { ++progress; });
    passDone = true;
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(progress.load(), 200);
    Json::Value result;
    ASSERT_TRUE(ParseJson(worker.result, result));
    ASSERT_EQ(result.size(), 200u);
    for (Json::ArrayIndex i = 0; i < result.size(); ++i) {
        EXPECT_EQ(result[i]["device"]["serial"].asString(), setups[i].serial);
        EXPECT_EQ(result[i]["syncInfo"][0]["verified"], true) << setups[i].serial;
        EXPECT_EQ(lab.stored(setups[i].serial)->brightness(), 12);
    }
    store.resetForTesting();
}

}  // namespace
}  // namespace orvex
