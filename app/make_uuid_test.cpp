#include "app/make_uuid.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/win32/process_info.h"

namespace orvex {
namespace {

TEST(MakeUuid, ThirtyTwoUpperCaseHexDigitsAndNeverTheSame) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string uuid = MakeUuid();
        ASSERT_EQ(uuid.size(), 32u);
        EXPECT_EQ(uuid.find_first_not_of("0123456789ABCDEF"), std::string::npos) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(CommandLineText, ArgumentsAreJoinedAndQuotedLikeAWindowsCommandLine) {
    char exe[] = "/opt/orvex/orvex-cloud-config";
    char page[] = "http://h/p&Userid=1&UserName=Li Lei";
    char empty[] = "";
    char* argv[] = {exe, page, empty};
    SetCommandLineFromArgs(3, argv);
    EXPECT_STREQ(GetCommandLineA(),
                 "/opt/orvex/orvex-cloud-config \"http://h/p&Userid=1&UserName=Li Lei\" \"\"");
}

}  // namespace
}  // namespace orvex
