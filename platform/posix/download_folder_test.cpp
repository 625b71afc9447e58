#include "platform/posix/download_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orvex {
namespace {

namespace fs = std::filesystem;

TEST(DownloadDirFromUserDirs, ReadsHomeRelativeAndAbsoluteValues) {
    const std::string text =
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
        "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n";
    EXPECT_EQ(DownloadDirFromUserDirs(text, "/home/li"), "/home/li/下载");
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=\"/srv/in\"\n", "/home/li"), "/srv/in");
    // A disabled folder is the home folder itself.
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=\"$HOME\"", "/home/li"), "/home/li");
    // The last setting wins.
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=\"/a\"\nXDG_DOWNLOAD_DIR=\"/b\"\n", "/h"),
              "/b");
}

TEST(DownloadDirFromUserDirs, IgnoresWhatTheFormatDoesNotAllow) {
    EXPECT_EQ(DownloadDirFromUserDirs("", "/h"), "");
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/h"), "");
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=$HOME/d\n", "/h"), "");       // unquoted
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=\"d\"\n", "/h"), "");         // relative
    EXPECT_EQ(DownloadDirFromUserDirs("XDG_DOWNLOAD_DIR=\"$HOMEx/d\"\n", "/h"), "");  // not $HOME
    EXPECT_EQ(DownloadDirFromUserDirs("#XDG_DOWNLOAD_DIR=\"/d\"\n", "/h"), "");       // comment
}

TEST(CleanDownloadName, KeepsOrdinaryNames) {
    EXPECT_EQ(CleanDownloadName("下发结果_20260304_090503.csv"), "下发结果_20260304_090503.csv");
    EXPECT_EQ(CleanDownloadName("a b.tar.gz"), "a b.tar.gz");
}

TEST(CleanDownloadName, NeverLeavesTheFolder) {
    EXPECT_EQ(CleanDownloadName("../../etc/passwd"), "_.._etc_passwd");
    EXPECT_EQ(CleanDownloadName("/etc/passwd"), "_etc_passwd");
    EXPECT_EQ(CleanDownloadName("..\\..\\x.csv"), "_.._x.csv");
    EXPECT_EQ(CleanDownloadName(".."), "download");
    EXPECT_EQ(CleanDownloadName("."), "download");
    EXPECT_EQ(CleanDownloadName(""), "download");
    EXPECT_EQ(CleanDownloadName(" .bashrc"), "bashrc");
    EXPECT_EQ(CleanDownloadName("a.csv. "), "a.csv");
    EXPECT_EQ(CleanDownloadName(std::string("a\nb\0c", 5)), "a_b_c");
    for (const std::string hostile : {"../x", "a/../../b", "/", "\\\\server\\share", "..."}) {
        std::string clean = CleanDownloadName(hostile);
        EXPECT_EQ(clean.find('/'), std::string::npos) << hostile;
        EXPECT_NE(clean.front(), '.') << hostile;
    }
}

TEST(CleanDownloadName, CutsLongNamesOnACharacterBoundaryKeepingTheExtension) {
    std::string stem;
    for (int i = 0; i < 100; ++i) {
        stem += "结";  // three bytes each
    }
    std::string clean = CleanDownloadName(stem + ".csv");
    EXPECT_LE(clean.size(), 255u);
    EXPECT_EQ(clean.substr(clean.size() - 4), ".csv");
    EXPECT_EQ((clean.size() - 4) % 3, 0u) << "a character was split";
}

class DownloadFolderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvex-download-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path) << text;
    }
    static std::string read(const std::string& path) {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::string root_;
};

TEST_F(DownloadFolderFiles, NumbersANameThatIsTakenAndNeverReplacesAFile) {
    std::string folder = root_ + "/下载";
    std::string first = CreateUniqueFile(folder, "结果.csv");
    ASSERT_EQ(first, folder + "/结果.csv");
    write(first, "first");
    EXPECT_EQ(CreateUniqueFile(folder, "结果.csv"), folder + "/结果 (1).csv");
    EXPECT_EQ(CreateUniqueFile(folder, "结果.csv"), folder + "/结果 (2).csv");
    EXPECT_EQ(read(first), "first");
    EXPECT_EQ(CreateUniqueFile(folder, "README"), folder + "/README");
    EXPECT_EQ(CreateUniqueFile(folder, "README"), folder + "/README (1)");
}

TEST_F(DownloadFolderFiles, ANumberedLongNameStillFits) {
    std::string name(251, 'x');
    name += ".csv";
    ASSERT_EQ(CleanDownloadName(name), name);
    ASSERT_FALSE(CreateUniqueFile(root_, name).empty());
    std::string second = CreateUniqueFile(root_, name);
    ASSERT_FALSE(second.empty());
    std::string base = fs::path(second).filename().string();
    EXPECT_LE(base.size(), 255u);
    EXPECT_EQ(base.substr(base.size() - 8), " (1).csv");
}

TEST_F(DownloadFolderFiles, FailsWhereNoFolderCanBeMade) {
    write(root_ + "/plain", "a file, not a folder");
    EXPECT_EQ(CreateUniqueFile(root_ + "/plain/sub", "a.csv"), "");
    EXPECT_EQ(CreateUniqueFile("", "a.csv"), "");
}

TEST_F(DownloadFolderFiles, RemovesOnlyAnEmptyReservation) {
    std::string empty = CreateUniqueFile(root_, "a.csv");
    std::string full = CreateUniqueFile(root_, "b.csv");
    write(full, "rows");
    RemoveIfEmpty(empty);
    RemoveIfEmpty(full);
    EXPECT_FALSE(fs::exists(empty));
    EXPECT_TRUE(fs::exists(full));
}

TEST_F(DownloadFolderFiles, UserFolderFollowsTheXdgSettings) {
    std::string home = root_ + "/home";
    fs::create_directories(home + "/.config");
    std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    std::string config = savedConfig ? savedConfig : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserDownloadFolder(), home + "/Downloads");
    write(home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n");
    EXPECT_EQ(UserDownloadFolder(), home + "/下载");
    fs::create_directories(root_ + "/cfg");
    write(root_ + "/cfg/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"/srv/drop\"\n");
    setenv("XDG_CONFIG_HOME", (root_ + "/cfg").c_str(), 1);
    EXPECT_EQ(UserDownloadFolder(), "/srv/drop");
    setenv("HOME", savedHome.c_str(), 1);
    if (savedConfig) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace orvex
