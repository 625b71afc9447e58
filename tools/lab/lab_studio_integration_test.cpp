// The studio link client against the lab playing the studio. Greeting each hello with the
// groups and the current camera is what the world does with it (world_role_integration_test).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "studio/testing/link_window.h"
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

class LabStudioTest : public ::testing::Test {
  protected:
    LabStudioTest() { std::ofstream(fleetPath) << kFleet; }
    ~LabStudioTest() override {
        client.reset();
        UnregisterWindow(hwnd);
        std::remove(fleetPath.c_str());
        std::remove(recordPath.c_str());
    }

    // Starts the lab and a client connected to it.
    void Start() {
        lab = std::make_unique<LabProcess>(std::vector<std::string>{
            "studio", "--port", "0", "--fleet", fleetPath, "--record", recordPath});
        ASSERT_TRUE(lab->started());
        auto listening = lab->waitEvent("listening");
        ASSERT_TRUE(listening.has_value());
        client = std::make_unique<StudioLinkClient>(
            hwnd, StudioEndpoint{"127.0.0.1", static_cast<uint16_t>((*listening)["port"].asUInt())},
            [this](int32_t type, const std::string& text) { received.add(type, text); },
            StudioLinkTiming{300ms, 200});
        window->client = client.get();
        client->start();
    }

    std::string fleetPath = TempPath("fleet.json");
    std::string recordPath = TempPath("record.jsonl");
    std::shared_ptr<testing::HelloWindow> window = std::make_shared<testing::HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    std::unique_ptr<LabProcess> lab;
    testing::ReceivedMessages received;
    std::unique_ptr<StudioLinkClient> client;
};

// One connection's life: the hello and a configuration name are recorded, the commands send
// their messages, and an arbitrary frame makes the client reconnect.
TEST_F(LabStudioTest, RecordsWhatTheProgramSendsAndSendsWhatItIsTold) {
    Start();
    auto hello = lab->waitEvent("received");
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ((*hello)["kind"], "hello");
    EXPECT_EQ((*hello)["length"], 0);
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

    for (const char* command :
         {"groups", "camera DS-0002 1", "text -1 ignored by the program", "quit"}) {
        lab->command(command);
    }
    ASSERT_TRUE(received.waitFor(4));
    const auto messages = received.all();
    Json::Value groups, camera;
    ASSERT_TRUE(ParseJson(messages[0].second, groups));
    ASSERT_TRUE(ParseJson(messages[1].second, camera));
    EXPECT_EQ(messages[0].first, 1);
    EXPECT_EQ(groups["groupInfo"][0]["groupDevNum"].asInt(), 2);
    EXPECT_EQ(groups["groupInfo"][0]["cameraLst"][1]["iPlatform"].asInt(), 3);
    EXPECT_EQ(messages[1].first, 2);
    EXPECT_EQ(camera["devname"].asString(), "Hall");
    EXPECT_EQ(messages[2], std::make_pair(int32_t{-1}, std::string("ignored by the program")));
    EXPECT_EQ(messages[3], std::make_pair(int32_t{3}, std::string()));
    lab->command("camera DS-0009");
    auto error = lab->waitEvent("error");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["command"], "camera");

    lab->command("frame 00000007 00000000 00000000");  // type 7: a protocol error
    auto closed = lab->waitEvent("closed");
    ASSERT_TRUE(closed.has_value());
    EXPECT_EQ((*closed)["reason"], "peer closed");
    auto second = [](const Json::Value& event) { return event["connection"] == 2; };
    EXPECT_TRUE(lab->waitEvent("connected", 5s, second).has_value());
    hello = lab->waitEvent("received", 5s, second);
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ((*hello)["kind"], "hello");
}

}  // namespace
}  // namespace orvex
