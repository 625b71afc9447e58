// The store reached at once from the threads that reach it in the program: the studio receive
// thread, the main thread and the pool workers. Run under ThreadSanitizer by scripts/test.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "studio/data_manager.h"
#include "support/json_text.h"

namespace orvex {
namespace {

std::string GroupMessage(int round) {
    std::string cameras;
    for (int i = 0; i < 15; ++i) {
        cameras += std::string(i ? "," : "") + R"({"serial":"S)" + std::to_string(i) +
                   R"(","channelNo":1,"port":8000,"iPlatform":)" + std::to_string(i % 2) +
                   R"(,"passwd":"p)" + std::to_string(round) + R"("})";
    }
    return R"({"groupInfo":[{"groupName":"G","groupId":"g)" + std::to_string(round % 3) +
           R"(","groupDevNum":15,"cameraLst":[)" + cameras + "]}]}";
}

TEST(DataManagerStress, ConcurrentStudioPageAndWorkerCalls) {
    DataManager& store = DataManager::instance();
    store.resetForTesting();
    store.onGroupInfoMessage(GroupMessage(0));
    std::atomic<bool> stop{false};
    std::atomic<int> badAnswers{0};

    std::thread receive([&] {
        for (int round = 1; round < 150; ++round) {
            store.onGroupInfoMessage(GroupMessage(round));
            store.onCameraMessage(R"({"serial":"S1","channelNo":1,"passwd":"r)" +
                                  std::to_string(round) + R"("})");
        }
        stop = true;
    });
    std::thread mainThread([&] {
        while (!stop) {
            Json::Value v;
            if (!ParseJson(store.getGroupInfo(), v) || !v["groupInfo"].isArray()) {
                ++badAnswers;
            }
            std::string page =
                store.getGroupCamerasInfo(R"({"groupId":"g0","camerasPageNum":2,"pageSize":10})");
            if (!ParseJson(page, v) || v["cameraLst"].size() != 5) {
                ++badAnswers;
            }
            if (!ParseJson(store.getAllCamerasInfo(), v)) {
                ++badAnswers;
            }
            store.getCurrentCameraInfo();
            store.updateCameraPassword("g1", "S3", 1, "confirmed", false);
        }
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            while (!stop) {
                std::string camera = R"({"serial":"S)" + std::to_string(w) + R"(","channelNo":1})";
                store.getCameraCfgInfo(camera);
                store.getCameraCfgRangeInfo(camera);
                if (w == 0) {  // issue tasks are serialised: one worker issues at a time
                    store.setIssuedObject("[" + camera + "]");
                    if (store.issuedCameras().size() != 1) {
                        ++badAnswers;
                    }
                }
                store.currentCamera();
            }
        });
    }
    receive.join();
    mainThread.join();
    for (auto& t : workers) {
        t.join();
    }
    EXPECT_EQ(badAnswers.load(), 0);
    // Three group ids, each sent again and again: each is stored once, holding its last message.
    ASSERT_EQ(store.groups()->size(), 3u);
    EXPECT_EQ((*store.groups())[2]->cameras[0].passwd, "p149");
}

}  // namespace
}  // namespace orvex
