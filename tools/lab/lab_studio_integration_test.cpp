// The studio link client against the lab playing the studio.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"
#include "studio/data_manager.h"
#include "studio/studio_link_client.h"
#include "support/json_text.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

const char* kFleet = R"({"groups": [
  {"groupName": "Lobby", "groupId": "g-lobby", "cameras": [
    {"serial": "DS-0001", "devname": "Entrance", "devip": "127.0.0.1", "passwd": "abc12345",
     "devType": "IPC", "port": 1, "channelNo": 1},
    {"serial": "DS-0002", "devname": "Hall", "channelNo": 1, "iPlatform": 3}]}]})";

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "lab_studio_" + std::to_string(::getpid()) + "_" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Messages the client handed over, in order.
class Received {
  public:
    void add(int32_t type, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(type, text);
        changed_.notify_all();
    }
    std::optional<std::pair<int32_t, std::string>> at(size_t index,
                                                      std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, limit, [&] { return messages_.size() > index; })) {
            return std::nullopt;
        }
        return messages_[index];
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int32_t, std::string>> messages_;
};

// The main window's part: the hello on every new connection.
class HelloWindow : public MessageTarget {
  public:
    void Post(UINT message, WPARAM, LPARAM) override {
        StudioLinkClient* target = client.load();
        if (message == WM_STUDIO_CONNECTED && target != nullptr) {
            target->sendHello();
        }
    }
    bool GetRect(RECT*) override { return false; }
    bool Move(int, int, int, int, bool) override { return false; }
    std::atomic<StudioLinkClient*> client{nullptr};
};

class LabStudioTest : public ::testing::Test {
  protected:
    LabStudioTest() { std::ofstream(fleetPath) << kFleet; }
    ~LabStudioTest() override {
        client.reset();
        UnregisterWindow(hwnd);
        std::remove(fleetPath.c_str());
        std::remove(recordPath.c_str());
    }

    // Starts the lab with `extra` options and a client connected to it.
    void Start(std::vector<std::string> extra = {},
               StudioLinkClient::MessageHandler handler = nullptr) {
        std::vector<std::string> args{"studio",  "--port",   "0",       "--fleet",
                                      fleetPath, "--record", recordPath};
        args.insert(args.end(), extra.begin(), extra.end());
        lab = std::make_unique<LabProcess>(args);
        ASSERT_TRUE(lab->started());
        auto listening = lab->waitEvent("listening");
        ASSERT_TRUE(listening.has_value());
        if (!handler) {
            handler = [this](int32_t type, const std::string& text) { received.add(type, text); };
        }
        client = std::make_unique<StudioLinkClient>(
            hwnd, StudioEndpoint{"127.0.0.1", static_cast<uint16_t>((*listening)["port"].asUInt())},
            handler, StudioLinkTiming{300ms, 200});
        window->client = client.get();
        client->start();
    }

    std::string fleetPath = TempPath("fleet.json");
    std::string recordPath = TempPath("record.jsonl");
    std::shared_ptr<HelloWindow> window = std::make_shared<HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    std::unique_ptr<LabProcess> lab;
    Received received;
    std::unique_ptr<StudioLinkClient> client;
};

TEST_F(LabStudioTest, SendsGroupsCameraAndQuitOnCommand) {
    Start();
    auto hello = lab->waitEvent("received");
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ((*hello)["kind"], "hello");
    EXPECT_EQ((*hello)["length"], 0);

    lab->command("groups");
    auto groups = received.at(0);
    ASSERT_TRUE(groups.has_value());
    EXPECT_EQ(groups->first, 1);
    Json::Value message;
    ASSERT_TRUE(ParseJson(groups->second, message));
    ASSERT_EQ(message["groupInfo"].size(), 1u);
    EXPECT_EQ(message["groupInfo"][0]["groupId"], "g-lobby");
    EXPECT_EQ(message["groupInfo"][0]["groupDevNum"], 2);
    EXPECT_EQ(message["groupInfo"][0]["cameraLst"][1]["serial"], "DS-0002");
    EXPECT_EQ(message["groupInfo"][0]["cameraLst"][1]["iPlatform"], 3);

    lab->command("camera DS-0002 1");
    auto camera = received.at(1);
    ASSERT_TRUE(camera.has_value());
    EXPECT_EQ(camera->first, 2);
    ASSERT_TRUE(ParseJson(camera->second, message));
    EXPECT_EQ(message["devname"], "Hall");

    lab->command("text -1 ignored by the program");
    lab->command("quit");
    EXPECT_EQ(received.at(2), std::make_pair(int32_t{-1}, std::string("ignored by the program")));
    EXPECT_EQ(received.at(3), std::make_pair(int32_t{3}, std::string()));

    lab->command("camera DS-0009");
    auto error = lab->waitEvent("error");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["command"], "camera");
}

TEST_F(LabStudioTest, RecordsWhatTheProgramSends) {
    Start();
    ASSERT_TRUE(lab->waitEvent("received").has_value());  // the hello
    const std::string name = R"({"cloudCfgName":"Night shift"})";
    std::vector<char> configName = BuildStudioTextMessage(STUDIO_MSG_CONFIG_NAME, name);
    client->send(configName.data(), configName.size());
    auto recorded = lab->waitEvent("received");
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ((*recorded)["type"], 1);
    EXPECT_EQ((*recorded)["kind"], "configName");
    EXPECT_EQ((*recorded)["length"], static_cast<int>(name.size() + 1));
    EXPECT_EQ((*recorded)["text"], name);
    EXPECT_EQ((*recorded)["json"]["cloudCfgName"], "Night shift");

    std::string record = ReadFile(recordPath);
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 2);  // hello and name
    EXPECT_NE(record.find("\"kind\":\"hello\""), std::string::npos);
    EXPECT_NE(record.find("Night shift"), std::string::npos);
}

TEST_F(LabStudioTest, ArbitraryFramesMakeTheClientReconnect) {
    Start();
    ASSERT_TRUE(lab->waitEvent("received").has_value());
    lab->command("frame 00000007 00000000 00000000");  // type 7: a protocol error
    auto closed = lab->waitEvent("closed");
    ASSERT_TRUE(closed.has_value());
    EXPECT_EQ((*closed)["reason"], "peer closed");
    auto second = [](const Json::Value& event) { return event["connection"] == 2; };
    EXPECT_TRUE(lab->waitEvent("connected", 5s, second).has_value());
    auto hello = lab->waitEvent("received", 5s, second);
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ((*hello)["kind"], "hello");
}

TEST_F(LabStudioTest, GreetsEachHelloWithGroupsAndTheCurrentCamera) {
    Start({"--send-on-hello", "--camera", "DS-0001 1"});
    auto groups = received.at(0);
    auto camera = received.at(1);
    ASSERT_TRUE(groups && camera);
    EXPECT_EQ(groups->first, 1);
    EXPECT_EQ(camera->first, 2);
    EXPECT_NE(camera->second.find("\"DS-0001\""), std::string::npos);
}

TEST_F(LabStudioTest, GroupsReachTheStoreThroughTheProgramsDispatch) {
    DataManager& store = DataManager::instance();
    store.resetForTesting();
    Start({}, [&](int32_t type, const std::string& text) {
        store.onStudioMessage(type, text);
        received.add(type, text);
    });
    ASSERT_TRUE(lab->waitEvent("received").has_value());
    lab->command("groups");
    ASSERT_TRUE(received.at(0).has_value());
    ASSERT_EQ(store.groups()->size(), 1u);
    EXPECT_EQ((*store.groups())[0]->cameras.size(), 2u);
    EXPECT_NE(store.getGroupInfo().find("g-lobby"), std::string::npos);
    client.reset();
    store.resetForTesting();
}

}  // namespace
}  // namespace orvex
