// Issuing at scale and safely, against lab cameras: a concurrent pass gives the serial pass's
// exact bytes, every failure names its cause, a value the camera does not keep is reported
// unverified, and no block is ever built from a record that is stale or another camera's.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "devcfg/issue_worker.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "support/text_conversion.h"
#include "tests/devices/lab_cameras.h"
#include "tests/devices/sample_issue.h"

namespace orvex {
namespace {

using testing::kWholeConfig;
using testing::LabCamera;
using testing::LabCameras;

// The cameras of the pass, with the fault each one has.
std::vector<lab::CameraSetup> MixedFleet() {
    std::vector<lab::CameraSetup> setups;
    auto add = [&](const std::string& serial) -> lab::CameraFaults& {
        setups.push_back(LabCamera(serial));
        return setups.back().faults;
    };
    add("OK1");
    add("ABS").absent = true;
    add("PWD").wrongPassword = true;
    add("REF").refuseLogin = true;
    add("SIL").silent = true;
    add("ITM").failItem = CFG_ITEM_COLOR;
    add("MOT").failItem = CFG_ITEM_MOTION;
    add("DRP").dropOnItem = CFG_ITEM_AUDIO_OUT;
    add("RDF").failRead = "config";
    add("FGT").forgetItem = CFG_ITEM_COLOR;
    add("OK2");
    return setups;
}

// One request through the runner, as the main window runs it, with `k` cameras at once; the
// result text and the progress texts in the order they came.
struct Pass {
    std::string result;
    std::vector<std::string> progress;
};
// ORVEX_ISSUE_CONCURRENCY for as long as it lives: the runner's worker, made by its first
// request, reads it.
struct Concurrency {
    explicit Concurrency(size_t k) {
        ::setenv("ORVEX_ISSUE_CONCURRENCY", std::to_string(k).c_str(), 1);
    }
    ~Concurrency() { ::unsetenv("ORVEX_ISSUE_CONCURRENCY"); }
};

Pass IssueWith(size_t k, const std::vector<std::string>& targets, const std::string& config) {
    Concurrency concurrency(k);
    IssueRequestRunner runner;
    Pass pass;
    runner.run(
        EM_OPERATETASK_TYPE_ISSUEDCFG, testing::JsonList(targets), config,
        [&](const std::string& r) { pass.result = r; },
        [&](const std::string& p) { pass.progress.push_back(p); });
    return pass;
}

using IssueSafetyTest = testing::FreshStoreTest;

TEST_F(IssueSafetyTest, ConcurrentPassEqualsTheSerialPassAndNamesEveryCause) {
    std::map<size_t, Pass> passes;
    for (size_t k : {1u, 16u}) {
        store.resetForTesting();
        LabCameras lab(MixedFleet());  // a fresh fleet: both passes start from the same cameras
        std::vector<std::string> targets;
        for (const lab::CameraSetup& setup : MixedFleet()) {
            targets.push_back(lab.request(setup.serial));
        }
        passes[k] = IssueWith(k, targets, kWholeConfig);
    }
    EXPECT_EQ(passes[1].result, passes[16].result);

    const Json::Value result = testing::Parse(passes[16].result);
    std::map<std::string, std::string> summaries;
    for (const Json::Value& camera : result) {
        summaries[camera["device"]["serial"].asString()] = testing::ItemStates(camera);
    }
    const std::string all =
        "布撤防计划: X, 视频配置: X, 输入音频配置: X, 输出音频配置: X, "
        "图像设置: X, Logo配置: X, 图像显示: X";
    auto every = [&](const std::string& word) { return ReplaceAll(all, "X", word); };
    EXPECT_EQ(summaries["OK1"], every("verified"));
    EXPECT_EQ(summaries["ABS"], every("unreachable"));
    EXPECT_EQ(summaries["PWD"], every("auth"));
    EXPECT_EQ(summaries["REF"], every("refused"));
    EXPECT_EQ(summaries["SIL"], every("timeout"));
    EXPECT_EQ(summaries["RDF"], every("readFailed"));
    EXPECT_EQ(summaries["ITM"],
              ReplaceAll(every("verified"), "图像设置: verified", "图像设置: camera"));
    EXPECT_EQ(summaries["FGT"],
              ReplaceAll(every("verified"), "图像设置: verified", "图像设置: unverified"));
    // The refused schedule call counts, and the item still reports its accepted alarm call.
    EXPECT_EQ(summaries["MOT"], every("verified"));
    EXPECT_EQ(result[6]["failNum"].asInt(), 1);
    const Json::Value& steps = result[6]["syncInfo"][0]["steps"];
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(WriteFlatJson(steps[0]["isSuccess"]) + steps[0]["cause"].asString() + " " +
                  WriteFlatJson(steps[1]["verified"]) + " " + steps[1]["moreInfo"].asString(),
              "falsecamera true 报警声音已应用到通道 1");
    EXPECT_FALSE(result[1]["syncInfo"][0].isMember("steps")) << "no call made, no steps";
    // The drop: the rest of the items find no connection.
    EXPECT_EQ(summaries["DRP"],
              "布撤防计划: verified, 视频配置: verified, 输入音频配置: verified, 输出音频配置: "
              "unreachable, 图像设置: unreachable, Logo配置: unreachable, 图像显示: unreachable");

    // One progress text per camera, counting up, naming each camera once with its failNum.
    for (auto& [k, pass] : passes) {
        ASSERT_EQ(pass.progress.size(), result.size()) << k;
        std::set<std::string> seen;
        for (size_t i = 0; i < pass.progress.size(); ++i) {
            const Json::Value p = testing::Parse(pass.progress[i]);
            EXPECT_EQ(p["done"].asUInt(), i + 1);
            EXPECT_EQ(p["total"].asUInt(), result.size());
            const std::string serial = p["serial"].asString();
            EXPECT_TRUE(seen.insert(serial).second) << serial;
            for (const Json::Value& camera : result) {
                if (camera["device"]["serial"] == serial) {
                    EXPECT_EQ(p["failNum"], camera["failNum"]) << serial;
                    EXPECT_EQ(p["channelNo"], camera["device"]["channelNo"]) << serial;
                }
            }
        }
    }
}

// A target whose read in this request failed is issued from a record read in the issue's own
// login, never from the one cached by an earlier request: a setting changed on the camera since
// then survives a pass that sends the block holding it.
TEST_F(IssueSafetyTest, ASettingChangedSinceAnEarlierReadIsNotUndone) {
    LabCameras lab({LabCamera("STL")});
    ASSERT_FALSE(store.getCameraCfgInfo(lab.request("STL")).empty());  // cached now
    // Another client switches the channel name display, in the picture block.
    testing::EditBehindTheStore(lab.record("STL"), {CFG_ITEM_OSD}, [](DeviceConfig& config) {
        config.setChannelNameShown(config.channelNameShown() == 0 ? 1 : 0);
    });
    const int32_t changed = lab.stored("STL")->channelNameShown();

    lab.setFaults("STL", {.failRead = "range"});  // this request's read of the target fails
    store.setIssuedObject("[" + lab.request("STL") + "]");
    lab.setFaults("STL", {});
    // The defence item sends the whole picture block for its motion settings.
    store.setIssuedConfig(R"({"configItems":{"defenceConfig":{"motionDetectDefence":{
        "remindSwitch":false,"detectMode":0,"sensitivityLevel":1,"remindVoice":2}}}})");
    IssueWorker worker(DataManager::instance());
    worker.Run();
    EXPECT_EQ(testing::ItemStates(testing::Parse(worker.result)[0]), "布撤防计划: verified");
    EXPECT_EQ(lab.stored("STL")->channelNameShown(), changed) << "the other client's change";
    EXPECT_EQ(lab.stored("STL")->motionSwitch(), 0);
}

// The address now reaches another camera with the same password: it receives nothing, and
// every item says why.
TEST_F(IssueSafetyTest, AnotherCameraAtTheTargetsAddressReceivesNothing) {
    int32_t port = 0;
    std::string target;
    {
        LabCameras first({LabCamera("SWA", "same-pw")});
        port = first.port("SWA");
        target = first.request("SWA");
        ASSERT_FALSE(store.getCameraCfgInfo(target).empty());  // SWA's record is cached
    }
    lab::CameraSetup other = LabCamera("SWB", "same-pw");
    other.port = port;
    LabCameras second({other});
    ASSERT_TRUE(second.started());
    const std::unique_ptr<DeviceConfig> before = second.stored("SWB");
    Pass pass = IssueWith(16, {target}, kWholeConfig);
    const Json::Value result = testing::Parse(pass.result);
    EXPECT_EQ(testing::ItemStates(result[0]),
              "布撤防计划: serialMismatch, 视频配置: serialMismatch, 输入音频配置: "
              "serialMismatch, 输出音频配置: serialMismatch, 图像设置: serialMismatch, "
              "Logo配置: serialMismatch, 图像显示: serialMismatch");
    EXPECT_EQ(result[0]["syncInfo"][0]["moreInfo"].asString(), "设备序列号不符");
    EXPECT_EQ(result[0]["failNum"].asInt(), 7);
    EXPECT_EQ(
        second.camera("SWB").counters().setsAccepted + second.camera("SWB").counters().setsRefused,
        0);
    EXPECT_EQ(*second.stored("SWB"), *before);
}

// Closing during a pass: no further camera is contacted, and later requests do nothing.
TEST_F(IssueSafetyTest, AStoppedRequestStartsNoFurtherCamera) {
    std::vector<lab::CameraSetup> setups;
    std::vector<std::string> targets;
    for (const char* serial : {"CS1", "CS2", "CS3", "CS4"}) {
        setups.push_back(LabCamera(serial));
        setups.back().faults.delayMs = 200;
    }
    LabCameras lab(setups);
    for (const lab::CameraSetup& setup : setups) {
        targets.push_back(lab.request(setup.serial));
    }
    Concurrency one(1);
    IssueRequestRunner runner;
    int pushes = 0;
    std::thread pass([&] {
        runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, testing::JsonList(targets), kWholeConfig,
                   [&](const std::string&) { ++pushes; });
    });
    while (lab.camera("CS1").counters().logins == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    runner.stop();
    pass.join();
    runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, testing::JsonList({targets[3]}), kWholeConfig,
               [&](const std::string&) { ++pushes; });
    for (const char* serial : {"CS2", "CS3", "CS4"}) {
        EXPECT_EQ(lab.camera(serial).counters().connections, 0) << serial;
    }
    EXPECT_EQ(lab.camera("CS1").counters().setsAccepted, 0);
    EXPECT_EQ(pushes, 1) << "the stopped request still answers; the later one does nothing";
}

}  // namespace
}  // namespace orvex
