// The pieces `run` and `scan` stand on: the tool's argument as the tool itself reads it, the
// order in which the tool and the page are looked for, and which ProbeMatches are taken.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/command_line.h"
#include "tools/studio/onvif_discovery.h"
#include "tools/studio/run_session.h"
#include "tools/studio/tool_paths.h"

namespace orvex::site {
namespace {

namespace fs = std::filesystem;

TEST(ToolArgument, TheToolReadsEveryValueBackAndNoStatisticsHostByDefault) {
    RunOptions options;
    options.userId = "u&1";  // the tool copies values as they stand, up to the next key
    options.userName = "张三";
    const std::string url = "http://127.0.0.1:4321/index.html";
    auto values = ParseCommandLine("orvex-cloud-config " + ToolArgument(url, options, "1.0.0"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->pageAddress, url);
    EXPECT_EQ(values->userId, "u&1");
    EXPECT_EQ(values->userName, "张三");
    EXPECT_EQ(values->clientVersion, "1.0.0");
    EXPECT_EQ(values->logDomain, "");
    EXPECT_EQ(values->domainIp, "");
    options.statsHost = "stats.site.example";
    values = ParseCommandLine("x " + ToolArgument(url, options, "1.0.0"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->logDomain, "stats.site.example");
}

class ToolPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("tool_paths_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "bin");
        ::unsetenv("ORVEX_TOOL");
        ::setenv("PATH", (root_ / "path").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Make(const fs::path& relative, bool executable = true) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << "#!/bin/sh\n";
        ::chmod((root_ / relative).c_str(), executable ? 0755 : 0644);
        return fs::weakly_canonical(root_ / relative).string();
    }
    std::string Own() const { return (root_ / "bin").string(); }

    fs::path root_;
};

TEST_F(ToolPathsTest, TheToolIsLookedForInTheDocumentedOrder) {
    std::string tried;
    const std::string onPath = Make("path/orvex-cloud-config");
    const std::string beside = Make("bin/orvex-cloud-config");
    const std::string installed = Make("lib/orvex-cloud-config/orvex-cloud-config");
    const std::string fromEnv = Make("env/tool");
    const std::string notExecutable = Make("plain/tool", false);

    EXPECT_EQ(FindTool("", Own(), tried)->path, installed);
    ::setenv("ORVEX_TOOL", fromEnv.c_str(), 1);
    EXPECT_EQ(FindTool("", Own(), tried)->how, "$ORVEX_TOOL");
    EXPECT_EQ(FindTool(onPath, Own(), tried)->how, "--tool");
    // A named tool that cannot run is an error, not a reason to take another one.
    EXPECT_FALSE(FindTool(notExecutable, Own(), tried));
    EXPECT_NE(tried.find(notExecutable), std::string::npos);
    ::unsetenv("ORVEX_TOOL");
    fs::remove(installed);
    EXPECT_EQ(FindTool("", Own(), tried)->path, beside);
}

TEST_F(ToolPathsTest, ThePageIsAFolderWithItsIndex) {
    std::string tried;
    Make("share/orvex-cloud-config/web/app.js");
    EXPECT_NE(FindPage("", Own(), tried)->how, "installed beside orvex-studio");
    Make("share/orvex-cloud-config/web/index.html");
    EXPECT_EQ(FindPage("", Own(), tried)->how, "installed beside orvex-studio");
    EXPECT_FALSE(FindPage((root_ / "bin").string(), Own(), tried));
}

TEST(ProbeMatches, OnlyAnswersToThisProbeWithAnHttpServiceAreTaken) {
    auto reply = [](const std::string& relatesTo, const std::string& xaddrs) {
        return R"(<?xml version="1.0"?><e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope")"
               R"( xmlns:w="http://schemas.xmlsoap.org/ws/2004/08/addressing")"
               R"( xmlns:q="http://schemas.xmlsoap.org/ws/2005/04/discovery"><e:Header>)"
               "<w:RelatesTo>" +
               relatesTo +
               "</w:RelatesTo></e:Header><e:Body><q:ProbeMatches><q:ProbeMatch>"
               "<w:EndpointReference><w:Address>urn:uuid:1</w:Address></w:EndpointReference>"
               "<q:XAddrs>" +
               xaddrs + "</q:XAddrs></q:ProbeMatch></q:ProbeMatches></e:Body></e:Envelope>";
    };
    auto answers = ParseProbeMatches(
        reply("uuid:a", "https://10.0.0.5/onvif/device_service http://10.0.0.5/onvif/dev"),
        "uuid:a");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].host, "10.0.0.5");
    EXPECT_EQ(answers[0].port, 80);
    EXPECT_EQ(answers[0].path, "/onvif/dev");
    EXPECT_EQ(answers[0].endpoint, "urn:uuid:1");
    answers = ParseProbeMatches(reply("uuid:a", "http://10.0.0.6:8080/x"), "uuid:a");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].port, 8080);
    EXPECT_TRUE(ParseProbeMatches(reply("uuid:b", "http://10.0.0.6/x"), "uuid:a").empty());
    EXPECT_TRUE(ParseProbeMatches(reply("uuid:a", "https://10.0.0.6/x"), "uuid:a").empty());
    EXPECT_TRUE(ParseProbeMatches(reply("uuid:a", "http://10.0.0.6:99999/x"), "uuid:a").empty());
    EXPECT_TRUE(ParseProbeMatches(ProbeMessage("uuid:a"), "uuid:a").empty());
    std::string cut = reply("uuid:a", "http://10.0.0.6/x");
    EXPECT_TRUE(ParseProbeMatches(cut.substr(0, cut.size() / 2), "uuid:a").empty());
}

}  // namespace
}  // namespace orvex::site
