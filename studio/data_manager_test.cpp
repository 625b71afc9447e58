#include "studio/data_manager.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "platform/win32/message_target.h"
#include "platform/win32/testing/recording_window.h"
#include "platform/win32/window_messages.h"
#include "support/json_text.h"

namespace orvex {
namespace {

std::string Camera(int i, int platform = 0, const std::string& extra = "") {
    const std::string n = std::to_string(i);
    return R"({"serial":"SN)" + n + R"(","devname":"cam )" + n + R"(","devip":"10.1.0.)" + n +
           R"(","passwd":"pw","devType":"IPC","port":8000,"channelNo":)" + std::to_string(i % 4) +
           R"(,"iPlatform":)" + std::to_string(platform) +
           R"(,"encrypt":true,"newDev":false,"CheckPassword":true)" + extra + "}";
}

// A group whose "cameraLst" array holds the given camera objects.
std::string Group(const std::string& name, const std::string& id, int announced,
                  const std::string& cameras) {
    return R"({"groupName":)" + name + R"(,"groupId":")" + id + R"(","groupDevNum":)" +
           std::to_string(announced) + R"(,"cameraLst":[)" + cameras + "]}";
}

// A group named after its id, holding the cameras first .. first + count - 1.
std::string Group(const std::string& id, int announced, int first, int count, int platform = 0) {
    std::string list;
    for (int i = first; i < first + count; ++i) {
        list += (i > first ? "," : "") + Camera(i, platform);
    }
    return Group('"' + id + '"', id, announced, list);
}

// A group information message holding the given groups.
std::string Groups(std::initializer_list<std::string> groups) {
    std::string text;
    for (const std::string& g : groups) {
        text += (text.empty() ? "" : ",") + g;
    }
    return R"({"groupInfo":[)" + text + "]}";
}

Json::Value Parse(const std::string& text) {
    Json::Value value;
    EXPECT_TRUE(ParseJson(text, value)) << text;
    return value;
}

class DataManagerTest : public ::testing::Test {
  protected:
    void SetUp() override { store.resetForTesting(); }
    // A camera message's fetch runs on the store's worker: it must end before the next test
    // resets the store, and before the process exits.
    void TearDown() override { store.waitForCameraFetch(); }

    std::string page(const std::string& id, int pageNum, int size) {
        return store.getGroupCamerasInfo(R"({"groupId":")" + id + R"(","camerasPageNum":)" +
                                         std::to_string(pageNum) + R"(,"pageSize":)" +
                                         std::to_string(size) + "}");
    }
    // The serials of a page answer, separated by blanks.
    std::string serials(const std::string& response) {
        std::string out;
        const Json::Value parsed = Parse(response);
        for (const auto& c : parsed["cameraLst"]) {
            out += (out.empty() ? "" : " ") + c["serial"].asString();
        }
        return out;
    }
    // An answer past the cameras: the whole answer is the group's id and count.
    void expectNoCameras(const std::string& response, unsigned count, const std::string& id) {
        EXPECT_EQ(Parse(response), Parse(R"({"groupId":")" + id + R"(","groupDevNum":)" +
                                         std::to_string(count) + "}"));
    }

    DataManager& store = DataManager::instance();
};

TEST_F(DataManagerTest, GroupsWithoutAStringNameAreSkipped) {
    store.onGroupInfoMessage(
        Groups({Group("a", 2, 1, 2), Group("42", "b", 1, Camera(3)), Group("c", 9, 4, 1)}));
    Json::Value info = Parse(store.getGroupInfo());
    ASSERT_EQ(info["groupInfo"].size(), 2u);
    // The count is as announced, not recounted.
    EXPECT_EQ(info["groupInfo"][1]["groupId"].asString(), "c");
    EXPECT_EQ(info["groupInfo"][1]["groupDevNum"].asInt(), 9);
    EXPECT_EQ(store.groups()->size(), 2u);
}

TEST_F(DataManagerTest, TwentyFiveCamerasPageByPage) {
    store.onGroupInfoMessage(Groups({Group("y", 99, 1, 25)}));
    // The page group info keeps the first ten camera objects exactly as received.
    Json::Value info = Parse(store.getGroupInfo());
    ASSERT_EQ(info["groupInfo"][0]["cameraLst"].size(), 10u);
    EXPECT_EQ(info["groupInfo"][0]["cameraLst"][9], Parse(Camera(10)));

    EXPECT_EQ(serials(page("y", 1, 10)), "SN1 SN2 SN3 SN4 SN5 SN6 SN7 SN8 SN9 SN10");
    EXPECT_EQ(serials(page("y", 2, 10)), "SN11 SN12 SN13 SN14 SN15 SN16 SN17 SN18 SN19 SN20");
    EXPECT_EQ(serials(page("y", 3, 10)), "SN21 SN22 SN23 SN24 SN25");
    expectNoCameras(page("y", 4, 10), 25, "y");
    // The written camera objects carry all eleven members from the stored record.
    EXPECT_EQ(Parse(page("y", 1, 1))["cameraLst"][0], Parse(Camera(1)));
}

TEST_F(DataManagerTest, PageParameterEdgeCases) {
    store.onGroupInfoMessage(Groups({Group("g", 3, 1, 3)}));
    EXPECT_EQ(page("g", 0, 10), "");
    EXPECT_EQ(store.getGroupCamerasInfo(R"({"groupId":"g","pageSize":10})"), "");
    for (int size : {0, -5}) {
        expectNoCameras(page("g", 1, size), 3, "g");
    }
    EXPECT_EQ(page("unknown", 1, 10), "");
    EXPECT_EQ(store.getGroupCamerasInfo("not json"), "");
    EXPECT_EQ(store.getGroupCamerasInfo(R"({"groupId":"g","camerasPageNum":"1","pageSize":10})"),
              "");
    // A skip that wraps around in 32-bit arithmetic skips nothing.
    EXPECT_EQ(serials(page("g", 1073741825, 4)), "SN1 SN2 SN3");
}

TEST_F(DataManagerTest, EmptyAndMissingCameraLists) {
    store.onGroupInfoMessage(
        R"({"groupInfo":[{"groupName":"E","groupId":"e","groupDevNum":0,"cameraLst":[]},)"
        R"({"groupName":"M","groupId":"m","groupDevNum":4},)"
        R"({"groupName":"O","groupId":"o","groupDevNum":1,"cameraLst":{"a":1}}]})");
    Json::Value info = Parse(store.getGroupInfo());
    ASSERT_EQ(info["groupInfo"].size(), 3u);
    for (const auto& g : info["groupInfo"]) {
        EXPECT_TRUE(g["cameraLst"].isNull());
    }
    expectNoCameras(page("e", 1, 10), 0, "e");
    EXPECT_EQ(page("m", 1, 10), "");
    EXPECT_EQ(page("o", 1, 10), "");
}

TEST_F(DataManagerTest, UnusableGroupMessages) {
    EXPECT_EQ(store.getGroupInfo(), "");
    EXPECT_EQ(store.getCurrentCameraInfo(), "");
    EXPECT_EQ(Parse(store.getAllCamerasInfo()),
              Parse(R"({"localCameraLst":null,"platformCameraLst":null})"));
    store.onGroupInfoMessage("this is not json");
    EXPECT_EQ(Parse(store.getGroupInfo()), Parse(R"({"groupInfo":null})"));

    store.onGroupInfoMessage(Groups({Group("a", 1, 1, 1)}));
    const std::string before = store.getGroupInfo();
    // A text "port" raises jsoncpp's conversion error: the message is not applied at all, not
    // even its good first group, and the page group info is not rewritten.
    store.onGroupInfoMessage(
        Groups({Group("b", 1, 2, 1), Group(R"("C")", "c", 1, R"({"serial":"X","port":"8000"})")}));
    EXPECT_EQ(store.getGroupInfo(), before);
    EXPECT_EQ(store.groups()->size(), 1u);
    EXPECT_EQ(page("b", 1, 10), "");
    EXPECT_EQ(Parse(store.getAllCamerasInfo())["localCameraLst"].size(), 1u);

    // Wrong kinds at the top: a root that is not an object raises the error too.
    store.onGroupInfoMessage("[1,2]");
    EXPECT_EQ(store.getGroupInfo(), before);
    store.onGroupInfoMessage(R"({"groupInfo":"none"})");
    EXPECT_EQ(Parse(store.getGroupInfo()), Parse(R"({"groupInfo":null})"));
}

// A studio that sends its groups again (on every reconnect) replaces them: each camera is
// stored once, new groups are added after the others, and a message that would store more
// cameras than the limit is refused whole.
TEST_F(DataManagerTest, AGroupSentAgainReplacesItsEntry) {
    store.onGroupInfoMessage(Groups({Group("a", 1, 1, 1, 1), Group("b", 1, 3, 1)}));
    for (int i = 0; i < 3; ++i) {
        store.onGroupInfoMessage(Groups({Group("a", 2, 5, 2)}));
    }
    EXPECT_EQ(serials(page("a", 1, 10)), "SN5 SN6");
    EXPECT_EQ(store.groups()->size(), 2u);
    EXPECT_EQ((*store.groups())[0]->groupId, "a") << "replaced where it stood";
    Json::Value all = Parse(store.getAllCamerasInfo());
    EXPECT_EQ(all["platformCameraLst"], Json::Value());
    EXPECT_EQ(all["localCameraLst"].size(), 3u);

    store.setCameraLimitForTesting(4);
    const std::string info = store.getGroupInfo();
    store.onGroupInfoMessage(Groups({Group("c", 1, 7, 1), Group("d", 1, 8, 1)}));
    EXPECT_EQ(store.groups()->size(), 2u);
    EXPECT_EQ(store.getGroupInfo(), info);
    store.onGroupInfoMessage(Groups({Group("c", 1, 7, 1)}));
    EXPECT_EQ(store.groups()->size(), 3u);
}

TEST_F(DataManagerTest, CameraMessages) {
    store.onCameraMessage(Camera(7, 1));
    EXPECT_EQ(store.getCurrentCameraInfo(), Camera(7, 1));
    EXPECT_EQ(store.currentCamera().serial, "SN7");
    EXPECT_EQ(store.currentCamera().iPlatform, 1);
    store.waitForCameraFetch();  // unreachable: nothing is cached
    std::string cached;
    EXPECT_FALSE(store.cachedConfig("SN7_3", cached));
    store.onCameraMessage("garbage");
    EXPECT_EQ(store.getCurrentCameraInfo(), "garbage");
    EXPECT_EQ(store.currentCamera().serial, "SN7");
    store.onCameraMessage(R"({"serial":["x"]})");
    EXPECT_EQ(store.currentCamera().serial, "SN7");
}

TEST_F(DataManagerTest, ConfigurationQuestionsWithoutACamera) {
    EXPECT_EQ(Parse(store.getCameraCfgInfo(Camera(2))),
              Parse(R"({"subSerial":"SN2","channelNo":2})"));
    EXPECT_EQ(store.getCameraCfgInfo("{"), "");
    EXPECT_EQ(store.getCameraCfgInfo(R"({"serial":"A","channelNo":"1"})"), "");
    // No fetch succeeds, so the range answer is an empty entry, now and later.
    EXPECT_EQ(store.getCameraCfgRangeInfo(Camera(2)), "");
    std::string cached;
    EXPECT_TRUE(store.cachedRange("SN2_2", cached));
    EXPECT_EQ(store.getCameraCfgRangeInfo(Camera(2)), "");
    EXPECT_EQ(store.getCameraCfgRangeInfo(R"({"serial":1.5e400})"), "");

    // A camera key over 129 characters is a request error.
    const std::string serial(128, 'S');  // "SSS..._0" is 130 characters
    const std::string request = R"({"serial":")" + serial + R"(","channelNo":0})";
    EXPECT_EQ(store.getCameraCfgInfo(request), "");
    EXPECT_EQ(store.getCameraCfgRangeInfo(request), "");
    EXPECT_NE(store.getCameraCfgInfo(R"({"serial":")" + serial.substr(1) + R"(","channelNo":0})"),
              "");
}

TEST_F(DataManagerTest, IssuedTargets) {
    store.setIssuedObject("[" + Camera(1) + R"(,{"devname":"no serial"},{"serial":5,"port":1})" +
                          "]");
    auto targets = store.issuedCameras();
    ASSERT_EQ(targets.size(), 3u);
    // The camera's kind is read for targets, CheckPassword is not; a numeric serial is not a
    // string, so the third target takes the defaults.
    EXPECT_EQ(targets[0].devip, "10.1.0.1");
    EXPECT_EQ(targets[0].devType, "IPC");
    EXPECT_FALSE(targets[0].CheckPassword);
    EXPECT_EQ(targets[1].serial, "");
    EXPECT_EQ(targets[1].devname, "");
    EXPECT_EQ(targets[1].port, 8000);
    EXPECT_TRUE(targets[1].encrypt);
    EXPECT_EQ(targets[2].port, 8000);

    store.setIssuedObject(R"({"serial":"x"})");
    EXPECT_TRUE(store.issuedCameras().empty());
    store.setIssuedObject("[" + Camera(1) + R"(,{"serial":"B","port":"80"},)" + Camera(2) + "]");
    EXPECT_EQ(store.issuedCameras().size(), 1u);
    store.setIssuedObject("nonsense");
    EXPECT_TRUE(store.issuedCameras().empty());
}

TEST_F(DataManagerTest, PasswordUpdateRewritesThePageGroupInfo) {
    store.onGroupInfoMessage(Groups({Group("a", 2, 1, 2), Group("b", 1, 1, 1)}));
    store.updateCameraPassword("a", "SN2", 2, "new-pw", false);
    Json::Value info = Parse(store.getGroupInfo());
    const Json::Value& changed = info["groupInfo"][0]["cameraLst"][1];
    // Same serial in the other group, and the other camera of the group, are untouched.
    EXPECT_EQ(changed["passwd"].asString(), "new-pw");
    EXPECT_FALSE(changed["CheckPassword"].asBool());
    EXPECT_TRUE(info["groupInfo"][0]["cameraLst"][0]["CheckPassword"].asBool());
    EXPECT_EQ(info["groupInfo"][1]["cameraLst"][0]["passwd"].asString(), "pw");
    // Members the store does not know survive the rewrite.
    store.onGroupInfoMessage(Groups({Group(R"("C")", "c", 1, Camera(3, 0, R"(,"extra":[1,2])"))}));
    store.updateCameraPassword("c", "SN3", 3, "x", false);
    EXPECT_EQ(Parse(store.getGroupInfo())["groupInfo"][0]["cameraLst"][0]["extra"].size(), 2u);
}

// The studio link's messages by type: 1 and 2 reach the store, 3 posts the quit once the window
// is known, the others change nothing.
TEST_F(DataManagerTest, StudioMessagesByType) {
    auto window = testing::RecordingWindow::Create();
    store.onStudioMessage(3, "");  // the window is not known yet: goes nowhere
    store.setMainWindow(window->hwnd());
    const std::string group = Groups({Group("g-7", 1, 1, 1)});
    for (int type : {0, -1, 4, 7}) {
        store.onStudioMessage(type, group);
    }
    EXPECT_EQ(store.getGroupInfo(), "");
    store.onStudioMessage(1, group);
    EXPECT_EQ(serials(page("g-7", 1, 10)), "SN1");
    // The configuration fetch of this camera fails at once.
    store.onStudioMessage(2, R"({"serial":"S9","channelNo":3,"devip":"127.0.0.1","port":1})");
    EXPECT_EQ(store.currentCamera().serial, "S9");
    EXPECT_EQ(store.currentCamera().channelNo, 3);
    EXPECT_TRUE(window->posted().empty());
    store.onStudioMessage(3, "ignored");
    ASSERT_EQ(window->posted().size(), 1u);
    const testing::PostedMessage quit = window->posted()[0];
    EXPECT_EQ(quit.message, WM_STUDIO_QUIT);
    EXPECT_EQ(quit.wParam, WPARAM{0});
    EXPECT_EQ(quit.lParam, LPARAM{0});
    UnregisterWindow(window->hwnd());
}

TEST(CameraKey, FormsSerialUnderscoreChannel) {
    EXPECT_EQ(MakeCameraKey("ABC", 3), "ABC_3");
    EXPECT_EQ(MakeCameraKey("ABC", -1), "ABC_-1");
    EXPECT_EQ(MakeCameraKey(std::string(127, 'x'), 0)->size(), 129u);
    EXPECT_FALSE(MakeCameraKey(std::string(127, 'x'), 10));
    EXPECT_EQ(MakeCameraKey(std::string("AB\0CD", 5), 1), "AB_1");
}

}  // namespace
}  // namespace orvex
