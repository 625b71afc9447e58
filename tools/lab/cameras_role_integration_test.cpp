// orvex-lab cameras run as a program: cameras from the command line and a fleet file, served
// to the device library, faults changed by command, and state that survives being killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <tuple>

#include "platform/rprov/rprov_agent.h"
#include "support/json_text.h"
#include "tools/lab/cameras_model.h"
#include "tools/lab/testing/lab_process.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using testing::LabProcess;

class CamerasRoleTest : public ::testing::Test {
  protected:
    CamerasRoleTest()
        : dir_(::testing::TempDir() + "cameras_role_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        RPROV_SetLimits(1000, 2000);
    }
    ~CamerasRoleTest() override {
        RPROV_SetLimits(0, 0);
        std::filesystem::remove_all(dir_);
    }

    // Starts the lab and collects the port of every camera it announces.
    std::unique_ptr<LabProcess> Start(std::vector<std::string> args, Json::Value* ready = nullptr) {
        args.insert(args.begin(), {"cameras", "--state", dir_ + "/state"});
        auto lab = std::make_unique<LabProcess>(args);
        EXPECT_TRUE(lab->started());
        std::optional<Json::Value> done = lab->waitEvent("ready", 10s);
        EXPECT_TRUE(done) << "the lab did not start";
        for (const std::string& line : lab->lines()) {
            Json::Value event;
            if (ParseJson(line, event) && event["event"] == "camera") {
                ports_[event["serial"].asString()] = event["port"].asInt();
            }
        }
        if (ready != nullptr && done) {
            *ready = *done;
        }
        return lab;
    }

    DeviceConfig StoredRecord(const std::string& serial, int channel) {
        std::ifstream in(dir_ + "/state/" + serial + "/channel-" + std::to_string(channel) + ".cfg",
                         std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes.size(), DeviceConfig::kSize);
        DeviceConfig record;
        std::copy_n(bytes.begin(), std::min(bytes.size(), DeviceConfig::kSize), record.data());
        return record;
    }

    static bool Login(int32_t port, const std::string& password, int32_t& handle,
                      const std::string& address = "127.0.0.1") {
        LoginDeviceInfo info;
        handle = -1;
        return RPROV_Login_Dev(address, port, password, handle, info, false);
    }

    std::string dir_;
    std::map<std::string, int32_t> ports_;
};

TEST_F(CamerasRoleTest, ServesCamerasFromAFleetAndTheCommandLine) {
    const std::string fleetPath = dir_ + "/fleet.json";
    std::ofstream(fleetPath) << R"({"groups": [{"groupName": "Yard", "groupId": "g", "cameras": [
        {"serial": "RT1", "devname": "Gate", "port": 0, "passwd": "pw", "channelNo": 1,
         "device": {"channels": 2}},
        {"serial": "RT2", "port": 0, "passwd": "pw", "channelNo": 1,
         "device": {"faults": {"refuseLogin": true}}}]}]})";
    Json::Value ready;
    auto lab = Start({"--fleet", fleetPath, "--camera", "serial=RT3,port=0,password=pw,absent",
                      "--fleet-out", dir_ + "/studio.json", "--no-sync"},
                     &ready);
    ASSERT_EQ(ready["cameras"].asInt(), 3);
    ASSERT_EQ(ports_.size(), 3u);

    // The fleet's device members reach the camera; writes are tested over the program below.
    int32_t handle = -1;
    ASSERT_TRUE(Login(ports_["RT1"], "pw", handle));
    auto config = std::make_unique<DeviceConfig>();
    ASSERT_TRUE(RPROV_GetConfig(handle, "RT1", 2, *config));
    EXPECT_EQ(*config, *lab::MakeDeviceConfig("RT1", 2));
    RPROV_Logout_Dev(handle);
    EXPECT_FALSE(Login(ports_["RT2"], "pw", handle));
    EXPECT_FALSE(Login(ports_["RT3"], "pw", handle)) << "an absent camera refuses connections";

    // Faults change while the lab runs.
    lab->command("fault RT2 none");
    ASSERT_TRUE(lab->waitEvent("faults", 5s));
    EXPECT_TRUE(Login(ports_["RT2"], "pw", handle));
    RPROV_Logout_Dev(handle);
    lab->command("fault RT1 wrong-password");
    ASSERT_TRUE(lab->waitEvent("faults", 5s));
    EXPECT_FALSE(Login(ports_["RT1"], "pw", handle));
    lab->command("counters RT1");
    std::optional<Json::Value> counters = lab->waitEvent("counters", 5s);
    ASSERT_TRUE(counters);
    EXPECT_EQ((*counters)["logins"].asInt(), 1);
    EXPECT_EQ((*counters)["failedLogins"].asInt(), 1);
    EXPECT_EQ((*counters)["configReads"].asInt(), 1);

    // The fleet for the studio names the ports the cameras got.
    std::ifstream studio(dir_ + "/studio.json");
    Json::Value fleet;
    ASSERT_TRUE(ParseJson(std::string(std::istreambuf_iterator<char>(studio), {}), fleet));
    EXPECT_EQ(fleet["groups"][0]["cameras"][0]["port"].asInt(), ports_["RT1"]);
    EXPECT_EQ(fleet["groups"][0]["cameras"][1]["port"].asInt(), ports_["RT2"]);

    lab->command("explode");
    EXPECT_TRUE(lab->waitEvent("error", 5s));
}

TEST_F(CamerasRoleTest, AKilledLabLeavesWholeRecordsAndARestartServesThem) {
    std::mt19937 rng(7);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        Json::Value ready;
        auto lab = Start({"--camera", "serial=KL1,port=0,password=pw"}, &ready);
        ASSERT_TRUE(ready.isMember("pid"));
        const int32_t port = ports_["KL1"];
        // A writer sets the colour over and over until the lab dies under it.
        std::atomic<bool> stop{false};
        std::atomic<int> accepted{0};
        std::thread writer([&] {
            int32_t handle = -1;
            auto record = std::make_unique<DeviceConfig>();
            if (!Login(port, "pw", handle) || !RPROV_GetConfig(handle, "KL1", 1, *record)) {
                return;
            }
            for (int value = 0; !stop; value = (value + 1) % 100) {
                record->setBrightness(value);
                record->setHue(value);
                std::string message;
                if (!RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 1,
                                            record->block(CFG_ITEM_COLOR).data(), message)) {
                    break;
                }
                ++accepted;
            }
            RPROV_Logout_Dev(handle);
        });
        // The kill comes while sets are going on: after the first was accepted (a loaded
        // machine may take longer than the random pause to log in), at a random moment.
        for (int i = 0; i < 500 && accepted.load() == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution(0, 90)(rng)));
        ::kill(ready["pid"].asInt(), SIGKILL);
        writer.join();
        stop = true;
        lab.reset();
        EXPECT_GT(accepted.load(), 0);

        // Whole, and a record the camera accepted: brightness and hue agree.
        const DeviceConfig stored = StoredRecord("KL1", 1);
        EXPECT_EQ(stored.brightness(), stored.hue());
        for (const auto& entry : std::filesystem::directory_iterator(dir_ + "/state/KL1")) {
            if (entry.path().filename().string().find(".tmp-") == std::string::npos) {
                EXPECT_EQ(entry.file_size(), DeviceConfig::kSize) << entry.path();
            }
        }
        // The restarted camera serves exactly what was stored.
        auto again = Start({"--camera", "serial=KL1,port=0,password=pw"});
        int32_t handle = -1;
        ASSERT_TRUE(Login(ports_["KL1"], "pw", handle));
        auto served = std::make_unique<DeviceConfig>();
        ASSERT_TRUE(RPROV_GetConfig(handle, "KL1", 1, *served));
        EXPECT_EQ(*served, stored);
        RPROV_Logout_Dev(handle);
    }
}

}  // namespace
}  // namespace orvex
