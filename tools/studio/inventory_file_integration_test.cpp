// The inventory file through the program: a kill -9 in the middle of a write leaves the old
// file or the new one, a hand-broken file is reported and left as it is, and the file is the
// user's only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "tools/studio/inventory_file.h"

namespace orvex::site {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class InventoryFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("ORVEX_STUDIO"), nullptr);
        char pattern[] = "/tmp/orvex-studio-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        path_ = InventoryPath();
        ASSERT_EQ(path_, dir_ + "/orvex-studio/inventory.json");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs orvex-studio with `args`; its exit status, and what it printed (both streams).
    int Studio(const std::string& args, std::string* output = nullptr) {
        const std::string command = std::string(std::getenv("ORVEX_STUDIO")) + " " + args + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string text;
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            text.append(chunk, n);
        }
        const int status = ::pclose(pipe);
        if (output != nullptr) {
            *output = text;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A CSV of `count` cameras all named `name`.
    std::string WriteCsvFile(int count, const std::string& name) {
        std::string csv = "group,name,serial,address,password\n";
        for (int i = 0; i < count; ++i) {
            csv += "g" + std::to_string(i % 7) + "," + name + ",S" + std::to_string(i) + ",10.0." +
                   std::to_string(i / 250) + "." + std::to_string(i % 250) + ",secret-" + name +
                   "\n";
        }
        const std::string file = dir_ + "/" + name + ".csv";
        std::ofstream(file) << csv;
        return file;
    }

    std::string dir_;
    std::string path_;
};

// The one name and password every camera of the inventory has; a mixture fails the test.
std::string HeldVersion(const std::string& path, size_t cameras) {
    Inventory inventory;
    std::string error;
    EXPECT_TRUE(LoadInventory(path, inventory, error)) << error;
    EXPECT_EQ(inventory.cameraCount(), cameras);
    std::set<std::string> versions;
    for (const SiteGroup& g : inventory.groups) {
        for (const SiteCamera& c : g.cameras) {
            versions.insert(c.name + "/" + c.password);
        }
    }
    EXPECT_EQ(versions.size(), 1u) << "a mixture of two writes";
    const std::string held =
        versions.empty() ? "" : versions.begin()->substr(0, versions.begin()->find('/'));
    EXPECT_EQ(versions.empty() ? "" : *versions.begin(), held + "/secret-" + held);
    return held;
}

// Starts `orvex-studio import csv`; with `fileSizeLimit`, a write past that many bytes ends
// the process (SIGXFSZ) in the middle of the write.
pid_t StartImport(const std::string& csv, rlim_t fileSizeLimit = RLIM_INFINITY) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::execl(std::getenv("ORVEX_STUDIO"), "orvex-studio", "import", csv.c_str(), nullptr);
        ::_exit(127);
    }
    return pid;
}

TEST_F(InventoryFileTest, AKillDuringAWriteLeavesTheOldFileOrTheNewNeverABrokenOne) {
    constexpr int kCameras = 4000;  // about 1 MB: the write takes long enough to be hit
    ASSERT_EQ(Studio("import " + WriteCsvFile(kCameras, "v0")), 0);
    const size_t size = std::filesystem::file_size(path_);

    // Death in the middle of the write, for certain: the file size limit stops it halfway.
    int status = 0;
    const pid_t halfway = StartImport(WriteCsvFile(kCameras, "half"), size / 2);
    ASSERT_EQ(::waitpid(halfway, &status, 0), halfway);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(HeldVersion(path_, kCameras), "v0");

    // kill -9 at any moment of an import.
    std::set<std::string> allowed{"v0"};
    std::mt19937 random(12345);
    int interrupted = 0;
    for (int round = 1; round <= 25; ++round) {
        const std::string name = "v" + std::to_string(round);
        const pid_t pid = StartImport(WriteCsvFile(kCameras, name));
        ASSERT_GT(pid, 0);
        allowed.insert(name);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 150000)(random));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        interrupted += WIFSIGNALED(status) ? 1 : 0;
        const std::string held = HeldVersion(path_, kCameras);
        ASSERT_TRUE(allowed.count(held)) << "round " << round << ": " << held;
        allowed = {held, name};  // later rounds may hold this one or their own
    }
    EXPECT_GT(interrupted, 0) << "no import was ever interrupted";
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(InventoryFileTest, ChangesMadeAtTheSameMomentAreAllKept) {
    ASSERT_EQ(Studio("import " + WriteCsvFile(2000, "v0")), 0);  // each change takes a while
    std::vector<pid_t> adders;
    for (int i = 0; i < 12; ++i) {
        const std::string serial = "NEW" + std::to_string(i);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(std::getenv("ORVEX_STUDIO"), "orvex-studio", "add", "--serial", serial.c_str(),
                    "--address", "10.9.9.9", nullptr);
            ::_exit(127);
        }
        adders.push_back(pid);
    }
    for (pid_t pid : adders) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    Inventory inventory;
    std::string error;
    ASSERT_TRUE(LoadInventory(path_, inventory, error)) << error;
    EXPECT_EQ(inventory.cameraCount(), 2012u);
}

TEST_F(InventoryFileTest, AHandBrokenFileIsReportedAndLeftUntouched) {
    ASSERT_EQ(Studio("add --serial S1 --address 10.0.0.1 --password pw"), 0);
    std::string text = Slurp(path_);
    const size_t port = text.find("\"port\" : 80");
    ASSERT_NE(port, std::string::npos) << text;
    text.replace(port, 11, "\"port\" : \"80\"");
    std::ofstream(path_, std::ios::trunc) << text;

    for (const char* command :
         {"add --serial S2 --address 10.0.0.2", "remove S1", "list", "run --tool /bin/true"}) {
        std::string output;
        EXPECT_EQ(Studio(command, &output), 1) << command;
        EXPECT_NE(output.find(path_ + ": groups[0].cameras[0].port: expected a whole number"),
                  std::string::npos)
            << command << ": " << output;
        EXPECT_EQ(Slurp(path_), text) << command;
    }
}

TEST_F(InventoryFileTest, ListAndExportShowPasswordsOnlyWhenAskedFor) {
    ASSERT_EQ(Studio("add --serial S1 --address 10.0.0.1 --password TopSecret9 --group 大厅"), 0);
    std::string output;
    for (const char* command : {"list", "export", "export -"}) {
        ASSERT_EQ(Studio(command, &output), 0);
        EXPECT_EQ(output.find("TopSecret9"), std::string::npos) << command << ": " << output;
        EXPECT_NE(output.find("大厅"), std::string::npos) << output;
    }
    for (const char* command : {"list --show-passwords", "export --with-passwords"}) {
        ASSERT_EQ(Studio(command, &output), 0);
        EXPECT_NE(output.find("TopSecret9"), std::string::npos) << command << ": " << output;
    }
    // Through a file and back: a second site gets the same cameras.
    const std::string csv = dir_ + "/site.csv";
    ASSERT_EQ(Studio("export " + csv + " --with-passwords"), 0);
    ASSERT_EQ(Studio("remove S1"), 0);
    ASSERT_EQ(Studio("import " + csv), 0);
    ASSERT_EQ(Studio("list --show-passwords", &output), 0);
    EXPECT_NE(output.find("S1  -  ONVIF 10.0.0.1:80  user admin  password TopSecret9"),
              std::string::npos)
        << output;
}

}  // namespace
}  // namespace orvex::site
