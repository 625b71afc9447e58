#include <gtest/gtest.h>

#include <string>

#include "platform/win32/message_target.h"
#include "platform/win32/testing/recording_window.h"
#include "platform/win32/window_messages.h"
#include "studio/data_manager.h"
#include "studio/testing/debug_log_recorder.h"
#include "studio/testing/loopback_peer.h"

namespace orvex {
namespace {

using testing::DebugLogRecorder;

class StudioDispatchTest : public ::testing::Test {
  protected:
    StudioDispatchTest() { store.resetForTesting(); }
    ~StudioDispatchTest() override {
        store.resetForTesting();
        UnregisterWindow(window->hwnd());
    }

    DataManager& store = DataManager::instance();
    std::shared_ptr<testing::RecordingWindow> window = testing::RecordingWindow::Create();
};

TEST_F(StudioDispatchTest, QuitIsPostedOnlyOnceTheWindowIsKnown) {
    store.onStudioMessage(3, "");
    EXPECT_TRUE(window->posted().empty());

    store.setMainWindow(window->hwnd());
    store.onStudioMessage(3, "ignored");
    ASSERT_EQ(window->posted().size(), 1u);
    EXPECT_EQ(window->posted()[0].message, WM_STUDIO_QUIT);
    EXPECT_EQ(window->posted()[0].wParam, 0u);
    EXPECT_EQ(window->posted()[0].lParam, 0);
}

TEST_F(StudioDispatchTest, EveryMessageIsLoggedInThreeParts) {
    DebugLogRecorder log;
    store.onStudioMessage(-1, "{\"x\":1}");
    auto entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "recv data:");
    EXPECT_EQ(entries[1].text, "{\"x\":1}");
    EXPECT_EQ(entries[2].text, "\n");
}

TEST_F(StudioDispatchTest, GroupAndCameraMessagesReachTheStoreAndOtherTypesChangeNothing) {
    store.setMainWindow(window->hwnd());
    const std::string group =
        R"({"groupInfo":[{"groupName":"A","groupId":"g-7","cameraLst":[{}]}]})";
    for (int type : {0, -1, 4, 7}) {
        store.onStudioMessage(type, group);
    }
    EXPECT_EQ(store.getGroupInfo(), "");
    store.onStudioMessage(1, group);
    ASSERT_EQ(store.groups()->size(), 1u);
    EXPECT_EQ((*store.groups())[0]->groupId, "g-7");

    testing::UnusedPort nowhere;  // the store's configuration fetch fails at once
    store.onStudioMessage(2, R"({"serial":"S9","channelNo":3,"devip":"127.0.0.1","port":)" +
                                 std::to_string(nowhere.port()) + "}");
    EXPECT_EQ(store.currentCamera().serial, "S9");
    EXPECT_EQ(store.currentCamera().channelNo, 3);
    EXPECT_TRUE(window->posted().empty());
}

}  // namespace
}  // namespace orvex
