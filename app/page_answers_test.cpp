#include "app/page_answers.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include "studio/data_manager.h"
#include "support/json_text.h"

namespace orvex {
namespace {

class RecordingRunner : public ScriptRunner {
  public:
    void RunScript(const std::string& script) override { scripts.push_back(script); }
    std::vector<std::string> scripts;
};

// Splits "SetMsgToH5('<code>', '<literal>')" and undoes the literal's escapes.
bool SplitPush(const std::string& script, std::string& code, std::string& text) {
    const std::string head = "SetMsgToH5('";
    if (script.rfind(head, 0) != 0 || script.size() < head.size() + 2 ||
        script.substr(script.size() - 2) != "')") {
        return false;
    }
    size_t codeEnd = script.find("', '", head.size());
    if (codeEnd == std::string::npos) {
        return false;
    }
    code = script.substr(head.size(), codeEnd - head.size());
    std::string literal = script.substr(codeEnd + 4, script.size() - 2 - (codeEnd + 4));
    text.clear();
    for (size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] == '\\' && i + 1 < literal.size()) {
            ++i;
        }
        text.push_back(literal[i]);
    }
    return true;
}

std::string Camera(const std::string& serial, int channel, int platform) {
    return R"({"serial":")" + serial + R"(","devname":"Gate's cam","devip":"10.0.0.)" +
           std::to_string(channel) + R"(","passwd":"pw","port":8000,"channelNo":)" +
           std::to_string(channel) + R"(,"encrypt":true,"newDev":false,"iPlatform":)" +
           std::to_string(platform) + R"(,"devType":"IPC","CheckPassword":false})";
}

class PageAnswersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DataManager::instance().resetForTesting();
        std::string cameras;
        for (int i = 1; i <= 12; ++i) {
            cameras += (i > 1 ? "," : "") + Camera("SN" + std::to_string(i), i, i % 2);
        }
        DataManager::instance().onGroupInfoMessage(
            R"({"groupInfo":[{"groupName":"Lobby","groupId":"g1","groupDevNum":12,"cameraLst":[)" +
            cameras + "]}]}");
    }
    // The one answer pushed, parsed.
    Json::Value answer(const std::string& expectedCode) {
        EXPECT_EQ(runner.scripts.size(), 1u);
        std::string code, text;
        EXPECT_TRUE(SplitPush(runner.scripts.back(), code, text)) << runner.scripts.back();
        EXPECT_EQ(code, expectedCode);
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(text.find('\t'), std::string::npos);
        Json::Value value;
        if (!text.empty()) {
            EXPECT_TRUE(ParseJson(text, value)) << text;
        }
        return value;
    }
    RecordingRunner runner;
};

TEST_F(PageAnswersTest, GroupInfoFromTheStudioMessage) {
    sendToH5GroupInfo(&runner);
    Json::Value info = answer("1");
    ASSERT_EQ(info["groupInfo"].size(), 1u);
    EXPECT_EQ(info["groupInfo"][0]["groupName"].asString(), "Lobby");
    EXPECT_EQ(info["groupInfo"][0]["cameraLst"].size(), 10u);
    EXPECT_EQ(info["groupInfo"][0]["cameraLst"][0]["devname"].asString(), "Gate's cam");
}

TEST_F(PageAnswersTest, OnePageOfAGroup) {
    sendToH5GroupCamerasInfo(&runner, R"({"groupId":"g1","camerasPageNum":2,"pageSize":10})");
    Json::Value page = answer("2");
    EXPECT_EQ(page["groupDevNum"].asUInt(), 12u);
    ASSERT_EQ(page["cameraLst"].size(), 2u);
    EXPECT_EQ(page["cameraLst"][1]["serial"].asString(), "SN12");
}

TEST_F(PageAnswersTest, UnknownGroupPushesAnEmptyText) {
    sendToH5GroupCamerasInfo(&runner, R"({"groupId":"nope","camerasPageNum":1,"pageSize":10})");
    EXPECT_EQ(runner.scripts.back(), "SetMsgToH5('2', '')");
}

TEST_F(PageAnswersTest, AllCamerasByOrigin) {
    sendToH5AllCamerasInfo(&runner);
    Json::Value all = answer("4");
    EXPECT_EQ(all["platformCameraLst"].size(), 6u);
    EXPECT_EQ(all["localCameraLst"].size(), 6u);
    EXPECT_EQ(all["localCameraLst"][0]["serial"].asString(), "SN2");
}

TEST_F(PageAnswersTest, CurrentCameraIsTheStudioTextUnchanged) {
    const std::string message = "{\n\t\"serial\" : \"SN5\",\n\t\"channelNo\" : 5\n}";
    DataManager::instance().onCameraMessage(message);
    sendToH5CurrentCameraInfo(&runner);
    EXPECT_EQ(runner.scripts.back(), "SetMsgToH5('5', '{\"serial\" : \"SN5\",\"channelNo\" : 5}')");
}

TEST_F(PageAnswersTest, UnreachableCameraAnswersSerialAndChannelOnly) {
    sendToH5CameraConfigInfo(&runner, Camera("SN3", 3, 1));
    Json::Value config = answer("3");
    EXPECT_EQ(config["subSerial"].asString(), "SN3");
    EXPECT_EQ(config["channelNo"].asInt(), 3);
    EXPECT_EQ(config.size(), 2u);
    runner.scripts.clear();
    sendToH5CameraCfgRangeInfo(&runner, Camera("SN3", 3, 1));
    EXPECT_EQ(runner.scripts.back(), "SetMsgToH5('8', '')");
}

}  // namespace
}  // namespace orvex
