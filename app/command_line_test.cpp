#include "app/command_line.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

const std::string kKeys =
    "&Userid=u42&UserName=Li Lei&hc=hc9&clt_ver=3.1.0&LogDomain=stats.example&host=h1"
    "&domainIp=10.0.0.9";

TEST(CommandLine, AllSevenKeys) {
    auto v = ParseCommandLine("/opt/orvex/orvex-cloud-config http://10.0.0.2/qm_h5/index.html?a=1" +
                              kKeys);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->pageAddress, "http://10.0.0.2/qm_h5/index.html?a=1");
    EXPECT_EQ(v->userId, "u42");
    EXPECT_EQ(v->userName, "Li Lei");
    EXPECT_EQ(v->hc, "hc9");
    EXPECT_EQ(v->clientVersion, "3.1.0");
    EXPECT_EQ(v->logDomain, "stats.example");
    EXPECT_EQ(v->host, "h1");
    EXPECT_EQ(v->domainIp, "10.0.0.9");
}

TEST(CommandLine, QuotedAddressKeepsTheClosingQuote) {
    auto v = ParseCommandLine("/opt/orvex/orvex-cloud-config \"https://h/p" + kKeys + "\"");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->pageAddress, "https://h/p");
    EXPECT_EQ(v->domainIp, "10.0.0.9\"");
}

TEST(CommandLine, HttpInsideTheExecutablePath) {
    auto v = ParseCommandLine("/home/httpd/orvex-cloud-config http://h/p" + kKeys);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->pageAddress, "httpd/orvex-cloud-config http://h/p");
}

TEST(CommandLine, TheLastUseridStartsTheParameters) {
    auto v = ParseCommandLine("x http://h/p?r=a&Userid=1&b=2" + kKeys);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->pageAddress, "http://h/p?r=a&Userid=1&b=2");
    EXPECT_EQ(v->userId, "u42");
}

TEST(CommandLine, MissingMisplacedOrMiscasedKeysFail) {
    EXPECT_FALSE(ParseCommandLine("x http://h/p&UserName=n&hc=1"));
    EXPECT_FALSE(
        ParseCommandLine("x http://h/p&userid=u&UserName=n&hc=1&clt_ver=2&LogDomain=d"
                         "&host=h&domainIp=i"));
    // &hc= stands before &UserName=, so it is not found after it.
    EXPECT_FALSE(
        ParseCommandLine("x http://h/p&Userid=u&hc=1&UserName=n&clt_ver=2&LogDomain=d"
                         "&host=h&domainIp=i"));
    EXPECT_FALSE(
        ParseCommandLine("x http://h/p&Userid=u&UserName=n&hc=1&clt_ver=2&LogDomain=d"
                         "&host=h"));
}

TEST(CommandLine, NoHttpLeavesEverythingEmpty) {
    auto v = ParseCommandLine("/opt/orvex/orvex-cloud-config");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->pageAddress, "");
    EXPECT_EQ(v->domainIp, "");
}

}  // namespace
}  // namespace orvex
