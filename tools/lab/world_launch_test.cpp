// How the world prints and finds the tool it starts; that the printed argument reads back as
// the studio's command line is checked against a running world.
#include "tools/lab/world_launch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace orvex::lab {
namespace {

TEST(WorldLaunchTest, ShellWordsAreQuotedOnlyWhenNeeded) {
    EXPECT_EQ(ShellQuote("/opt/build/app/orvex-cloud-config"), "/opt/build/app/orvex-cloud-config");
    EXPECT_EQ(ShellQuote("a&b=c"), "'a&b=c'");
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("two words"), "'two words'");
    EXPECT_EQ(ShellCommandLine({{"LC_ALL", "C.UTF-8"}, {"QTWEBENGINE_DISABLE_SANDBOX", "1"}},
                               {"tool", "http://h/p&x=1"}),
              "LC_ALL=C.UTF-8 QTWEBENGINE_DISABLE_SANDBOX=1 tool 'http://h/p&x=1'");
}

TEST(WorldLaunchTest, TheEnvironmentAsksForUtf8AndNoSandboxOnlyWhenNeeded) {
    const std::map<std::string, std::string> user = ToolEnvironment(false);
    EXPECT_EQ(user.size(), 1u);
    EXPECT_EQ(user.at("LC_ALL"), "C.UTF-8");
    EXPECT_EQ(ToolEnvironment(true).at("QTWEBENGINE_DISABLE_SANDBOX"), "1");
}

TEST(WorldLaunchTest, TheProgramIsFoundBesideTheLabInTheBuildTree) {
    const std::filesystem::path root =
        std::filesystem::path(::testing::TempDir()) / ("world_launch_" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "tools" / "lab");
    std::filesystem::create_directories(root / "app");
    const std::string lab = (root / "tools" / "lab" / "orvex-lab").string();
    EXPECT_EQ(FindToolProgram("", lab), "orvex-cloud-config");  // not built: found through PATH
    { std::ofstream(root / "app" / "orvex-cloud-config") << "x"; }
    EXPECT_EQ(FindToolProgram("", lab),
              std::filesystem::weakly_canonical(root / "app" / "orvex-cloud-config").string());
    EXPECT_EQ(FindToolProgram("/usr/bin/tool", lab), "/usr/bin/tool");
    std::filesystem::remove_all(root);
}

// As the packages lay them out (usr/bin/orvex-lab, usr/share/orvex-cloud-config/web): the
// installed page wins over the source tree's, and the tool's link beside the lab is found.
TEST(WorldLaunchTest, TheInstalledPageAndProgramAreFoundFromTheLabsFolder) {
    const auto root = std::filesystem::path(::testing::TempDir()) /
                      ("world_installed_" + std::to_string(getpid()));
    const auto web = root / "usr" / "share" / "orvex-cloud-config" / "web";
    const std::string lab = (root / "usr" / "bin" / "orvex-lab").string();
    std::filesystem::create_directories(web);
    std::filesystem::create_directories(root / "usr" / "bin");
    EXPECT_EQ(FindWebFolder("", lab, root.string()), "web");  // neither holds index.html
    { std::ofstream(web / "index.html") << "x"; }
    { std::ofstream(root / "index.html") << "x"; }
    EXPECT_EQ(FindWebFolder("", lab, root.string()), std::filesystem::weakly_canonical(web));
    EXPECT_EQ(FindWebFolder("/srv/page", lab, root.string()), "/srv/page");
    std::filesystem::create_symlink("../share/orvex-cloud-config/web/index.html",
                                    root / "usr" / "bin" / "orvex-cloud-config");
    EXPECT_EQ(
        FindToolProgram("", lab),
        (std::filesystem::weakly_canonical(root / "usr" / "bin") / "orvex-cloud-config").string());
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace orvex::lab
