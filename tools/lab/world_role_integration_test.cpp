// The lab world as the program meets it: the studio link, the cameras of the fleet file it
// writes, the statistics server, the page folder and its commands. What the studio, cameras
// and statistics roles do on their own is tested beside them; here, that the world wires them.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/net/testing/loopback_peer.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/studio_message.h"
#include "studio/testing/link_window.h"
#include "support/json_text.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

// The port of a "host:port" text.
uint16_t PortOf(const std::string& endpoint) {
    return static_cast<uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
}

class WorldTest : public ::testing::Test {
  protected:
    ~WorldTest() override {
        client.reset();
        UnregisterWindow(hwnd);
        lab.reset();
        std::filesystem::remove_all(state);
    }

    // A world of 12 cameras in 2 groups and 4 ONVIF cameras (two of them in the second group,
    // two in a group of their own), on free ports of 127.0.0.1.
    std::optional<Json::Value> Start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{
            "world", "--state",        state,       "--cameras",     "12", "--groups",
            "2",     "--base-address", "",          "--camera-port", "0",  "--studio-port",
            "0",     "--stats-host",   "127.0.0.1", "--stats-port",  "0",  "--page-port",
            "0",     "--onvif",        "4",         "--no-sync"};
        args.insert(args.end(), extra.begin(), extra.end());
        lab = std::make_unique<LabProcess>(args);
        return lab->waitEvent("ready", 20s);
    }

    std::string state = ::testing::TempDir() + "world_" + std::to_string(::getpid());
    std::shared_ptr<testing::HelloWindow> window = std::make_shared<testing::HelloWindow>();
    HWND hwnd = RegisterWindow(window);
    std::unique_ptr<LabProcess> lab;
    testing::ReceivedMessages received;
    std::unique_ptr<StudioLinkClient> client;
};

TEST_F(WorldTest, ServesTheStudioTheCamerasThePageAndTheStatisticsOfOneFleet) {
    auto ready = Start();
    ASSERT_TRUE(ready.has_value());

    // The program's studio link gets the fleet's groups and the current camera; "studio quit"
    // reaches it.
    client = std::make_unique<StudioLinkClient>(
        hwnd, StudioEndpoint{"127.0.0.1", PortOf((*ready)["studio"].asString())},
        [this](int32_t type, const std::string& text) { received.add(type, text); },
        StudioLinkTiming{300ms, 200});
    window->client = client.get();
    client->start();
    auto groups = received.at(0);
    auto current = received.at(1);
    ASSERT_TRUE(groups && current);
    Json::Value message;
    ASSERT_TRUE(ParseJson(groups->second, message));
    EXPECT_EQ(groups->first, STUDIO_MSG_GROUP_INFO);
    ASSERT_EQ(message["groupInfo"].size(), 3u);
    EXPECT_EQ(message["groupInfo"][0]["cameraLst"].size(), 6u);
    EXPECT_EQ(message["groupInfo"][1]["cameraLst"].size(), 8u);
    EXPECT_EQ(message["groupInfo"][2]["groupId"], "g-onvif");
    EXPECT_EQ(message["groupInfo"][0]["groupName"], "一号楼大厅");
    ASSERT_TRUE(ParseJson(current->second, message));
    EXPECT_EQ(current->first, STUDIO_MSG_CAMERA);
    EXPECT_EQ(message["serial"], "OXW00001");
    lab->command("studio quit");
    EXPECT_EQ(received.at(2), std::make_pair(int32_t{STUDIO_MSG_QUIT}, std::string()));

    // Every camera of the fleet file answers as the world says: absent ones not at all, the
    // ones waiting for a password to "admin123", the others to the studio's password unless
    // the camera's was changed.
    Json::Value fleet;
    std::ifstream fleetFile((*ready)["fleet"].asString());
    ASSERT_TRUE(ParseJson(std::string(std::istreambuf_iterator<char>(fleetFile), {}), fleet));
    std::vector<Json::Value> cameras;
    for (const Json::Value& group : fleet["groups"]) {
        cameras.insert(cameras.end(), group["cameras"].begin(), group["cameras"].end());
    }
    ASSERT_EQ(cameras.size(), 16u);
    RPROV_SetLimits(1000, 3000);
    // Each camera through the driver its "devType" names, as the program picks it.
    auto login = [](const Json::Value& camera, const std::string& password) {
        int32_t handle = 0;
        LoginDeviceInfo info;
        const bool onvif = camera["devType"] == "ONVIF";
        const bool in = RPROV_Login_DevAs(
            onvif ? RPROV_PROTOCOL_ONVIF : RPROV_PROTOCOL_DEVICE, camera["devip"].asString(),
            camera["port"].asInt(), camera["userName"].asString(), password, handle, info, false);
        return in && info.serialNumber() == camera["serial"].asString() && RPROV_Logout_Dev(handle);
    };
    int absent = 0, onvif = 0;
    for (const Json::Value& camera : cameras) {
        SCOPED_TRACE(camera["serial"].asString());
        ASSERT_GT(camera["port"].asInt(), 0) << "every camera got its real port";
        const bool gone = camera["device"]["faults"]["absent"].asBool();
        absent += gone;
        onvif += camera["devType"] == "ONVIF";
        if (gone) {
            EXPECT_FALSE(login(camera, "admin123"));
        } else if (camera["CheckPassword"].asBool()) {
            EXPECT_TRUE(login(camera, "admin123"));
        } else {
            EXPECT_EQ(login(camera, camera["passwd"].asString()),
                      camera["device"]["password"] == camera["passwd"]);
        }
    }
    EXPECT_EQ(absent, 2);
    EXPECT_EQ(onvif, 4);
    Json::Value lastGone;
    for (const Json::Value& camera : cameras) {
        if (camera["device"]["faults"]["absent"].asBool()) {
            lastGone = camera;
        }
    }
    // Camera commands: a gone camera comes back, and counts its login.
    lab->command("fault " + lastGone["serial"].asString() + " none");
    auto faults = lab->waitEvent("faults");
    ASSERT_TRUE(faults.has_value());
    EXPECT_TRUE((*faults)["listening"].asBool());
    EXPECT_TRUE(login(lastGone, "admin123"));
    lab->command("counters " + lastGone["serial"].asString());
    auto counters = lab->waitEvent("counters");
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ((*counters)["logins"], 1);
    // "config" prints what a camera holds as the page's JSON.
    lab->command("config OXW00001");
    auto config = lab->waitEvent("config");
    ASSERT_TRUE(config.has_value());
    EXPECT_TRUE((*config)["configItems"]["imageConfig"]["imageColor"].isMember("brightnessLevel"));
    lab->command("config OXV00004");
    config = lab->waitEvent("config");
    ASSERT_TRUE(config.has_value());
    EXPECT_EQ((*config)["kind"], "onvif");
    EXPECT_EQ((*config)["state"]["channels"].size(), 1u);
    lab->command("config OXW00001 7");
    auto error = lab->waitEvent("error");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["command"], "config");

    // The printed command line starts the tool against the page and the statistics server.
    auto values = ParseCommandLine("tool " + (*ready)["argument"].asString());
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->pageAddress, (*ready)["page"].asString());
    EXPECT_EQ(values->logDomain, "127.0.0.1");
    EXPECT_NE((*ready)["commandLine"].asString().find((*ready)["program"].asString()),
              std::string::npos);
    const std::string page = (*ready)["page"].asString();
    httplib::Client pages("127.0.0.1", PortOf(page.substr(0, page.rfind('/'))));
    auto index = pages.Get("/index.html");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_NE(index->body.find("<html"), std::string::npos);
    auto script = pages.Get("/app.js");
    ASSERT_TRUE(script);
    EXPECT_NE(script->get_header_value("Content-Type").find("javascript"), std::string::npos);
    httplib::Client stats("127.0.0.1", PortOf((*ready)["statistics"].asString()));
    auto posted = stats.Post("/statistics.do?type=1&uuid=u-1", "", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 200);
    auto statistics = lab->waitEvent("statistics");
    ASSERT_TRUE(statistics.has_value());
    EXPECT_EQ((*statistics)["items"][1][1], "u-1");

    lab->command("exit");
    EXPECT_EQ(lab->waitExit(5s), 0);
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
