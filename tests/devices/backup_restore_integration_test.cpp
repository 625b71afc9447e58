// Changes-only issuing, backups and restores against lab cameras: a request that sends one
// member changes only that member on every target, and a restore brings the targets back byte
// for byte, also after a pass that failed halfway, and writes nothing without a whole backup.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "devcfg/device_config_json.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tests/devices/lab_cameras.h"
#include "tests/devices/sample_issue.h"

namespace orvex {
namespace {

using testing::kWholeConfig;
using testing::LabCamera;
using testing::LabCameras;

std::string Hex(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        out += "0123456789abcdef"[c >> 4];
        out += "0123456789abcdef"[c & 15];
    }
    return out;
}

class BackupRestoreTest : public testing::FreshStoreTest {
  protected:
    BackupRestoreTest() {
        std::filesystem::remove_all(root);
        runner.setBackupRoot(root);
    }
    ~BackupRestoreTest() override { std::filesystem::remove_all(root); }

    Json::Value issue(const LabCameras& lab, const std::vector<std::string>& serials,
                      const std::string& config) {
        std::string answer;
        runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, targets(lab, serials), config,
                   [&](const std::string& r) { answer = r; });
        return testing::Parse(answer);
    }
    Json::Value restore(const LabCameras& lab, const std::string& passId,
                        const std::vector<std::string>& serials) {
        std::string answer;
        runner.restore(R"({"passId":")" + passId + R"(","cameras":)" + targets(lab, serials) + "}",
                       [&](const std::string& r) { answer = r; });
        return testing::Parse(answer);
    }
    Json::Value passes() { return testing::Parse(runner.listBackups())["passes"]; }
    static std::string targets(const LabCameras& lab, const std::vector<std::string>& serials) {
        std::vector<std::string> requests;
        for (const std::string& s : serials) {
            requests.push_back(lab.request(s));
        }
        return testing::JsonList(requests);
    }

    std::string root = ::testing::TempDir() + "backup_restore_" + std::to_string(getpid());
    IssueRequestRunner runner;
};

// Another client gives the camera its own colour and name display, unlike any source camera.
void GiveOwnSettings(const CameraRecord& r, int32_t n) {
    testing::EditBehindTheStore(r, {CFG_ITEM_COLOR, CFG_ITEM_OSD}, [n](DeviceConfig& config) {
        config.setBrightness(10 + n);
        config.setContrast(20 + n);
        config.setSaturation(30 + n);
        config.setHue(40 + n);
        config.setChannelNameShown(n % 2);
    });
}

TEST_F(BackupRestoreTest, OnlyTheMembersSentChangeOnTargetsThatDifferFromTheSource) {
    LabCameras lab({LabCamera("CH1"), LabCamera("CH2"), LabCamera("CH3")});
    std::map<std::string, std::unique_ptr<DeviceConfig>> before;
    for (int n = 1; n <= 3; ++n) {
        const std::string serial = "CH" + std::to_string(n);
        GiveOwnSettings(lab.record(serial), n);
        before[serial] = lab.stored(serial);
    }
    // An earlier request left a whole colour section behind in the issued configuration.
    issue(lab, {"CH1"}, R"({"configItems":{"imageConfig":{"imageColor":{
        "brightnessLevel":90,"contrastLevel":91,"saturationLevel":92,"hue":93}}}})");
    before["CH1"]->setBrightness(90);
    before["CH1"]->setContrast(91);
    before["CH1"]->setSaturation(92);
    before["CH1"]->setHue(93);

    Json::Value result = issue(lab, {"CH1", "CH2", "CH3"},
                               R"({"configItems":{"generalConfig":{"timeProofreading":{
        "serverAddress":"ntp.example.cn"}},"imageConfig":{"imageColor":{"brightnessLevel":55}}}})");
    ASSERT_EQ(result.size(), 3u);
    for (const Json::Value& camera : result) {
        EXPECT_EQ(camera["failNum"].asInt(), 0) << WriteFlatJson(camera);
    }
    for (auto& [serial, expected] : before) {
        expected->setTimeServerAddress("ntp.example.cn");
        expected->setBrightness(55);
        EXPECT_TRUE(*lab.stored(serial) == *expected) << serial;
    }
}

TEST_F(BackupRestoreTest, ARestoreUndoesAPassThatFailedHalfway) {
    std::vector<lab::CameraSetup> setups = {LabCamera("RS1"), LabCamera("RS2")};
    setups[1].faults.dropOnItem = CFG_ITEM_AUDIO_OUT;
    LabCameras lab(setups);
    GiveOwnSettings(lab.record("RS1"), 1);
    const auto before1 = lab.stored("RS1");
    const auto before2 = lab.stored("RS2");

    Json::Value result = issue(lab, {"RS1", "RS2"}, kWholeConfig);
    EXPECT_EQ(result[1]["syncInfo"][3]["cause"].asString(), "unreachable")
        << WriteFlatJson(result[1]);
    ASSERT_FALSE(*lab.stored("RS1") == *before1);
    ASSERT_FALSE(*lab.stored("RS2") == *before2);
    Json::Value list = passes();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["kind"].asString(), "issue");
    EXPECT_EQ(list[0]["cameras"][0]["items"].size(), 7u);
    EXPECT_EQ(list[0]["cameras"][1]["items"].size(), 3u) << "those before the dropped item";
    EXPECT_EQ(list[0]["cameras"][1]["failNum"].asInt(), 4);

    lab.setFaults("RS2", {});
    const std::string passId = list[0]["id"].asString();
    Json::Value answer = restore(lab, passId, {"RS1", "RS2"});
    EXPECT_EQ(answer["passId"].asString(), passId);
    EXPECT_FALSE(answer.isMember("error"));
    ASSERT_EQ(answer["camerasSyncInfo"].size(), 2u);
    for (const Json::Value& camera : answer["camerasSyncInfo"]) {
        EXPECT_EQ(camera["failNum"].asInt(), 0);
        for (const Json::Value& item : camera["syncInfo"]) {
            EXPECT_TRUE(item["verified"].asBool()) << WriteFlatJson(item);
        }
    }
    EXPECT_TRUE(*lab.stored("RS1") == *before1);
    EXPECT_TRUE(*lab.stored("RS2") == *before2);

    // The restore is a pass too, and undoing it brings the issued state back.
    list = passes();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["kind"].asString(), "restore");
    EXPECT_EQ(list[0]["id"].asString(), answer["restorePassId"].asString());
}

TEST_F(BackupRestoreTest, AMissingOrDamagedBackupWritesNothingToItsCamera) {
    LabCameras lab({LabCamera("BK1"), LabCamera("BK2")});
    issue(lab, {"BK1", "BK2"}, kWholeConfig);
    const std::string passId = passes()[0]["id"].asString();
    std::filesystem::resize_file(root + "/" + passId + "/cam-" + Hex("BK2_1") + ".rec", 1000);
    const auto issued2 = lab.stored("BK2");
    const int setsBefore = lab.camera("BK2").counters().setsAccepted;

    Json::Value answer = restore(lab, passId, {"BK1", "BK2"});
    EXPECT_EQ(answer["error"].asString(), "备份不存在或已损坏：BK2 通道 1");
    EXPECT_EQ(answer["camerasSyncInfo"][0]["failNum"].asInt(), 0);
    const Json::Value& refused = answer["camerasSyncInfo"][1];
    EXPECT_EQ(refused["failNum"].asInt(), 7);
    for (const Json::Value& item : refused["syncInfo"]) {
        EXPECT_EQ(item["cause"].asString(), "backupMissing");
    }
    EXPECT_EQ(lab.camera("BK2").counters().setsAccepted, setsBefore);
    EXPECT_TRUE(*lab.stored("BK2") == *issued2);

    const int connections = lab.camera("BK1").counters().connections;
    answer = restore(lab, "20990101-000000-1", {"BK1"});
    EXPECT_EQ(answer["error"].asString() + " | " + answer["passId"].asString(),
              "备份不存在或已损坏：备份记录 20990101-000000-1 | 20990101-000000-1");
    EXPECT_EQ(answer.size(), 2u);
    EXPECT_EQ(lab.camera("BK1").counters().connections, connections);
}

// Without a place for the backup nothing is written: every item says why.
TEST_F(BackupRestoreTest, ACameraWhoseBackupCannotBeSavedReceivesNothing) {
    LabCameras lab({LabCamera("NB1")});
    std::filesystem::create_directories(root);
    std::ofstream(root + "/file") << "not a folder";
    runner.setBackupRoot(root + "/file/backups");
    const auto before = lab.stored("NB1");
    Json::Value result = issue(lab, {"NB1"}, kWholeConfig);
    EXPECT_EQ(result[0]["failNum"].asInt(), 7);
    for (const Json::Value& item : result[0]["syncInfo"]) {
        EXPECT_EQ(item["cause"].asString() + " " + item["moreInfo"].asString(),
                  "backupFailed 无法保存备份，未写入");
    }
    EXPECT_EQ(lab.camera("NB1").counters().setsAccepted, 0);
    EXPECT_TRUE(*lab.stored("NB1") == *before);
}

// The preview's read: every target in the order asked, read or with the cause it was not.
TEST_F(BackupRestoreTest, TheTargetsReadGivesEachConfigurationOrItsCause) {
    std::vector<lab::CameraSetup> setups = {LabCamera("PV1"), LabCamera("PV2"), LabCamera("PV3")};
    setups[1].faults.wrongPassword = true;
    setups[2].faults.failRead = "config";
    LabCameras lab(setups);
    GiveOwnSettings(lab.record("PV1"), 3);
    const Json::Value configs = testing::Parse(IssueRequestRunner::readTargets(
        R"({"cameras":)" + targets(lab, {"PV1", "PV2", "PV3"}) + "}"))["configs"];
    ASSERT_EQ(configs.size(), 3u);
    Json::Value page(Json::objectValue);
    DeviceConfigToPageJson(*lab.stored("PV1"), page);
    EXPECT_TRUE(configs[0]["isSuccess"].asBool());
    EXPECT_EQ(configs[0]["configItems"], page["configItems"]);
    EXPECT_EQ(configs[1]["serial"].asString() + " " + configs[1]["cause"].asString() + " " +
                  configs[1]["moreInfo"].asString(),
              "PV2 auth 密码错误");
    EXPECT_EQ(configs[2]["cause"].asString(), "readFailed");
    EXPECT_FALSE(configs[2].isMember("configItems"));
}

}  // namespace
}  // namespace orvex
