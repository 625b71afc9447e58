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

// As the packages lay them out: the lab and the tool's link in usr/bin, the page in
// usr/share/orvex-cloud-config/web. The installed page wins over the source tree's.
TEST(WorldLaunchTest, TheInstalledProgramAndPageAreFoundFromTheLabsFolder) {
    const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) /
                                       ("world_installed_" + std::to_string(getpid()));
    const std::filesystem::path bin = root / "usr" / "bin";
    const std::filesystem::path web = root / "usr" / "share" / "orvex-cloud-config" / "web";
    const std::filesystem::path source = root / "source" / "web";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(source);
    const std::string lab = (bin / "orvex-lab").string();
    { std::ofstream(source / "index.html") << "x"; }
    EXPECT_EQ(FindWebFolder("", lab, source.string()), source.string());
    std::filesystem::create_directories(web);
    EXPECT_EQ(FindWebFolder("", lab, source.string()), source.string());  // no index.html yet
    { std::ofstream(web / "index.html") << "x"; }
    EXPECT_EQ(FindWebFolder("", lab, source.string()),
              std::filesystem::weakly_canonical(web).string());
    EXPECT_EQ(FindWebFolder("/srv/page", lab, source.string()), "/srv/page");
    EXPECT_EQ(FindWebFolder("", (root / "elsewhere" / "orvex-lab").string(), "/nonexistent"),
              "web");

    { std::ofstream(root / "usr" / "lib-tool") << "x"; }
    std::filesystem::create_symlink("../lib-tool", bin / "orvex-cloud-config");
    EXPECT_EQ(FindToolProgram("", lab),
              (std::filesystem::weakly_canonical(bin) / "orvex-cloud-config").string());
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace orvex::lab
