// orvex-studio scan against the lab's ONVIF cameras in a network namespace of its own
// (testing/in-netns): exactly the cameras with discovery on are found, one whose password is
// not the one given is reported as such, and the inventory holds what was found.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "tools/lab/testing/lab_process.h"
#include "tools/studio/inventory_file.h"

namespace orvex::site {
namespace {

using namespace std::chrono_literals;

class ScanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("ORVEX_STUDIO"), nullptr);
        char pattern[] = "/tmp/orvex-scan-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    int Studio(const std::string& args, std::string& output) {
        const std::string command = std::string(std::getenv("ORVEX_STUDIO")) + " " + args;
        FILE* pipe = ::popen(command.c_str(), "r");  // standard output only: the report
        output.clear();
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            output.append(chunk, n);
        }
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
};

TEST_F(ScanTest, FindsTheDiscoverableCamerasAndTellsWhichRefusedTheLogin) {
    const std::string onvif = "kind=onvif,port=0,address=127.0.0.1,";
    testing::LabProcess lab({"cameras", "--state", dir_ + "/lab", "--no-sync", "--camera",
                             onvif + "serial=SCAN1,password=site-pw,channels=2,discovery",
                             "--camera", onvif + "serial=SCAN2,password=other-pw,discovery",
                             "--camera", onvif + "serial=SCAN3,password=site-pw", "--camera",
                             onvif + "serial=SCAN4,password=site-pw,user=operator,discovery",
                             "--camera", "serial=DEV1,port=0,password=site-pw"});
    ASSERT_TRUE(lab.started());
    std::map<std::string, int> ports;
    for (int i = 0; i < 5; ++i) {
        std::optional<Json::Value> camera = lab.waitEvent("camera", 10s);
        ASSERT_TRUE(camera);
        ports[(*camera)["serial"].asString()] = (*camera)["port"].asInt();
    }
    ASSERT_TRUE(lab.waitEvent("ready", 10s));

    std::string out;
    ASSERT_EQ(Studio("scan --user operator --password site-pw --wait 2 --group 大厅", out), 0);
    EXPECT_NE(out.find("3 cameras answered the Probe"), std::string::npos) << out;
    EXPECT_NE(out.find("new: SCAN4 at 127.0.0.1:" + std::to_string(ports["SCAN4"])),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("scan: 1 new, 0 already known, 2 could not log in"), std::string::npos)
        << out;
    // The admin's camera and the one with another password both refused "operator".
    for (const char* serial : {"SCAN1", "SCAN2"}) {
        EXPECT_NE(out.find("could not log in: 127.0.0.1:" + std::to_string(ports[serial]) +
                           " as operator"),
                  std::string::npos)
            << serial << ": " << out;
    }

    ASSERT_EQ(Studio("scan --password site-pw --wait 2", out), 0);
    EXPECT_NE(out.find("new: SCAN1 at 127.0.0.1:" + std::to_string(ports["SCAN1"])),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("could not log in: 127.0.0.1:" + std::to_string(ports["SCAN2"])),
              std::string::npos)
        << out;
    // SCAN4, refused to admin, is known at its address and logged in to as operator again.
    EXPECT_NE(out.find("already known: SCAN4"), std::string::npos) << out;
    EXPECT_NE(out.find("scan: 1 new, 1 already known, 1 could not log in"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("SCAN3"), std::string::npos) << "SCAN3 does not answer probes: " << out;
    EXPECT_EQ(out.find("DEV1"), std::string::npos) << out;

    Inventory inventory;
    std::string error;
    ASSERT_TRUE(LoadInventory(InventoryPath(), inventory, error)) << error;
    ASSERT_EQ(inventory.cameraCount(), 2u);
    SiteGroup* group = nullptr;
    SiteCamera* scan1 = inventory.find("SCAN1", &group);
    ASSERT_NE(scan1, nullptr);
    EXPECT_EQ(group->name, "Discovered");
    EXPECT_EQ(scan1->port, ports["SCAN1"]);
    EXPECT_EQ(scan1->channels, 2);
    EXPECT_EQ(scan1->user, "admin");
    EXPECT_EQ(scan1->password, "site-pw");
    SiteCamera* scan4 = inventory.find("SCAN4", &group);
    ASSERT_NE(scan4, nullptr);
    EXPECT_EQ(group->name, "大厅");
    EXPECT_EQ(scan4->user, "operator");

    // A camera moved to another address is found there and updated where it is kept.
    ASSERT_EQ(Studio("add --serial SCAN1 --address 127.0.0.99 --port 1", out), 0);
    ASSERT_EQ(Studio("scan --password site-pw --wait 2", out), 0);
    EXPECT_NE(out.find("already known: SCAN1 at 127.0.0.1:" + std::to_string(ports["SCAN1"])),
              std::string::npos)
        << out;
    ASSERT_TRUE(LoadInventory(InventoryPath(), inventory, error)) << error;
    EXPECT_EQ(inventory.cameraCount(), 2u);
    EXPECT_EQ(inventory.find("SCAN1")->address, "127.0.0.1");
    EXPECT_EQ(inventory.find("SCAN1")->port, ports["SCAN1"]);
}

}  // namespace
}  // namespace orvex::site
