// The lab world as the program meets it: the studio link, the cameras of the fleet file it
// writes, the statistics server, the page folder and its commands.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/rprov/rprov_agent.h"
#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"
#include "studio/studio_link_client.h"
#include "studio/studio_message.h"
#include "studio/testing/loopback_peer.h"
#include "support/json_text.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What the program's studio link client handed over, in order.
class Received {
  public:
    void add(int32_t type, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(type, text);
        changed_.notify_all();
    }
    std::optional<std::pair<int32_t, std::string>> at(size_t index) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, 5s, [&] { return messages_.size() > index; })) {
            return std::nullopt;
        }
        return messages_[index];
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int32_t, std::string>> messages_;
};

// The main window's part of the link: the hello on every new connection.
class HelloWindow : public MessageTarget {
  public:
    void Post(UINT message, WPARAM, LPARAM) override {
        if (StudioLinkClient* target = client.load(); message == WM_STUDIO_CONNECTED && target) {
            target->sendHello();
        }
    }
    bool GetRect(RECT*) override { return false; }
    bool Move(int, int, int, int, bool) override { return false; }
    std::atomic<StudioLinkClient*> client{nullptr};
};

// The port of a "host:port" text.
uint16_t PortOf(const Json::Value& endpoint) {
    const std::string text = endpoint.asString();
    return static_cast<uint16_t>(std::stoi(text.substr(text.rfind(':') + 1)));
}

class WorldTest : public ::testing::Test {
  protected:
    ~WorldTest() override {
        client.reset();
        UnregisterWindow(hwnd);
        lab.reset();
        std::filesystem::remove_all(state);
        std::remove(recordPath.c_str());
    }

    // A world of 12 cameras in 2 groups on free ports of 127.0.0.1.
    std::optional<Json::Value> Start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{
            "world", "--state",        state,       "--cameras",     "12", "--groups",
            "2",     "--base-address", "",          "--camera-port", "0",  "--studio-port",
            "0",     "--stats-host",   "127.0.0.1", "--stats-port",  "0",  "--page-port",
            "0",     "--no-sync",      "--record",  recordPath};
        args.insert(args.end(), extra.begin(), extra.end());
        lab = std::make_unique<LabProcess>(args);
        return lab->waitEvent("ready", 20s);
    }

    void ConnectStudio(uint16_t port) {
        client = std::make_unique<StudioLinkClient>(
            hwnd, StudioEndpoint{"127.0.0.1", port},
            [this](int32_t type, const std::string& text) { received.add(type, text); },
            StudioLinkTiming{300ms, 200});
        window->client = client.get();
        client->start();
    }

    std::string state = ::testing::TempDir() + "world_" + std::to_string(::getpid());
    std::string recordPath = state + ".record.jsonl";
    std::shared_ptr<HelloWindow> window = std::make_shared<HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    std::unique_ptr<LabProcess> lab;
    Received received;
    std::unique_ptr<StudioLinkClient> client;
};

TEST_F(WorldTest, TheProgramsStudioLinkGetsTheFleetAndTheCurrentCamera) {
    auto ready = Start();
    ASSERT_TRUE(ready.has_value());
    ConnectStudio(PortOf((*ready)["studio"]));
    auto groups = received.at(0);
    auto current = received.at(1);
    ASSERT_TRUE(groups && current);
    EXPECT_EQ(groups->first, STUDIO_MSG_GROUP_INFO);
    Json::Value message;
    ASSERT_TRUE(ParseJson(groups->second, message));
    ASSERT_EQ(message["groupInfo"].size(), 2u);
    EXPECT_EQ(message["groupInfo"][0]["cameraLst"].size(), 6u);
    EXPECT_EQ(message["groupInfo"][0]["groupName"], "一号楼大厅");
    EXPECT_EQ(current->first, STUDIO_MSG_CAMERA);
    ASSERT_TRUE(ParseJson(current->second, message));
    EXPECT_EQ(message["serial"], "OXW00001");

    // A saved configuration name is recorded; "studio quit" reaches the program.
    std::vector<char> name =
        BuildStudioTextMessage(STUDIO_MSG_CONFIG_NAME, R"({"cloudCfgName":"夜间"})");
    client->send(name.data(), name.size());
    auto recorded = lab->waitEvent("received", 5s,
                                   [](const Json::Value& e) { return e["kind"] == "configName"; });
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ((*recorded)["json"]["cloudCfgName"], "夜间");
    EXPECT_NE(ReadFile(recordPath).find("夜间"), std::string::npos);
    lab->command("studio quit");
    EXPECT_EQ(received.at(2), std::make_pair(int32_t{STUDIO_MSG_QUIT}, std::string()));

    lab->command("exit");
    EXPECT_EQ(lab->waitExit(5s), 0);
}

TEST_F(WorldTest, TheFleetFileLeadsToCamerasThatAnswerAsTheWorldSays) {
    auto ready = Start();
    ASSERT_TRUE(ready.has_value());
    Json::Value fleet;
    ASSERT_TRUE(ParseJson(ReadFile((*ready)["fleet"].asString()), fleet));
    ASSERT_EQ(fleet["groups"].size(), 2u);
    std::vector<Json::Value> cameras;
    for (const Json::Value& group : fleet["groups"]) {
        for (const Json::Value& camera : group["cameras"]) {
            cameras.push_back(camera);
        }
    }
    ASSERT_EQ(cameras.size(), 12u);

    RPROV_SetLimits(1000, 3000);
    auto login = [](const Json::Value& camera, const std::string& password) {
        int32_t handle = 0;
        LoginDeviceInfo info{};
        const bool in = RPROV_Login_Dev(camera["devip"].asString(), camera["port"].asInt(),
                                        password, handle, info, false);
        if (in) {
            RPROV_Logout_Dev(handle);
        }
        return in;
    };
    int absent = 0;
    for (const Json::Value& camera : cameras) {
        ASSERT_GT(camera["port"].asInt(), 0) << "every camera got its real port";
        const bool gone = camera["device"]["faults"]["absent"].asBool();
        const bool changed = camera["device"]["password"] != camera["passwd"];
        absent += gone;
        if (gone) {
            EXPECT_FALSE(login(camera, "admin123")) << camera["serial"];
        } else if (camera["CheckPassword"].asBool()) {
            EXPECT_TRUE(login(camera, "admin123")) << "the password the user would type";
        } else {
            EXPECT_EQ(login(camera, camera["passwd"].asString()), !changed) << camera["serial"];
        }
    }
    EXPECT_EQ(absent, 2);

    // A gone camera comes back on command; the camera's record and counters are printed.
    const Json::Value& last = cameras.back();
    lab->command("fault " + last["serial"].asString() + " none");
    auto faults = lab->waitEvent("faults");
    ASSERT_TRUE(faults.has_value());
    EXPECT_TRUE((*faults)["listening"].asBool());
    EXPECT_TRUE(login(last, "admin123"));
    lab->command("counters " + last["serial"].asString());
    auto counters = lab->waitEvent("counters");
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ((*counters)["logins"], 1);
    lab->command("config OXW00001");
    auto config = lab->waitEvent("config");
    ASSERT_TRUE(config.has_value());
    EXPECT_TRUE((*config)["configItems"]["imageConfig"]["imageColor"].isMember("brightnessLevel"));
    lab->command("config OXW00001 7");
    auto error = lab->waitEvent("error");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["command"], "config");
}

TEST_F(WorldTest, ThePageAndTheStatisticsAreServedAndTheCommandLineFitsThem) {
    auto ready = Start();
    ASSERT_TRUE(ready.has_value());
    auto values = ParseCommandLine("tool " + (*ready)["argument"].asString());
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->pageAddress, (*ready)["page"].asString());
    EXPECT_EQ(values->logDomain, "127.0.0.1");
    EXPECT_NE((*ready)["commandLine"].asString().find((*ready)["program"].asString()),
              std::string::npos);

    httplib::Client page("127.0.0.1", PortOf((*ready)["page"].asString().substr(
                                          0, (*ready)["page"].asString().rfind('/'))));
    auto index = page.Get("/index.html");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_NE(index->body.find("<html"), std::string::npos);
    auto script = page.Get("/app.js");
    ASSERT_TRUE(script);
    EXPECT_NE(script->get_header_value("Content-Type").find("javascript"), std::string::npos);

    httplib::Client stats("127.0.0.1", PortOf((*ready)["statistics"]));
    auto posted = stats.Post("/statistics.do?type=1&uuid=u-1", "", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 200);
    auto statistics = lab->waitEvent("statistics");
    ASSERT_TRUE(statistics.has_value());
    EXPECT_EQ((*statistics)["items"][1][1], "u-1");
}

TEST_F(WorldTest, ABusyStudioPortEndsTheWorldAndABusyStatisticsPortOnlyWarns) {
    testing::LoopbackListener studio;
    auto ready = Start({"--studio-port", std::to_string(studio.port())});
    EXPECT_FALSE(ready.has_value());
    EXPECT_EQ(lab->waitExit(5s), 1);
    std::filesystem::remove_all(state);

    testing::LoopbackListener stats;
    ready = Start({"--stats-port", std::to_string(stats.port())});
    ASSERT_TRUE(ready.has_value());
    EXPECT_TRUE((*ready)["statistics"].isNull());
    bool warned = false;
    for (const std::string& line : lab->lines()) {
        warned = warned || line.find("\"warning\"") != std::string::npos;
    }
    EXPECT_TRUE(warned);
}

}  // namespace
}  // namespace orvex
