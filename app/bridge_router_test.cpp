#include "app/bridge_router.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win32/testing/recording_window.h"
#include "platform/win32/window_messages.h"

namespace orvex {
namespace {

using Args = std::vector<std::u16string>;

class BridgeRouterTest : public ::testing::Test {
  protected:
    std::shared_ptr<testing::RecordingWindow> host = testing::RecordingWindow::Create();

    // Routes a call from the render process and returns the single message it posted.
    testing::PostedMessage routeOne(const std::string& name, const Args& args) {
        EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, name, args));
        auto posted = host->posted();
        EXPECT_EQ(posted.size(), 1u);
        return posted.empty() ? testing::PostedMessage{} : posted.back();
    }
    static std::string takeText(const testing::PostedMessage& m) {
        std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(m.lParam));
        return text ? *text : "<none>";
    }
};

TEST(AtoiRule, FollowsC) {
    EXPECT_EQ(AtoiRule(" 3"), 3);
    EXPECT_EQ(AtoiRule("3abc"), 3);
    EXPECT_EQ(AtoiRule("x"), 0);
    EXPECT_EQ(AtoiRule(""), 0);
    EXPECT_EQ(AtoiRule("\t\n -12x"), -12);
    EXPECT_EQ(AtoiRule("+7"), 7);
    EXPECT_EQ(AtoiRule("- 7"), 0);
    EXPECT_EQ(AtoiRule("2147483647"), 2147483647);
}

// The calls that post a text: the message, the integer (the atoi rule) and the text converted to
// UTF-8 or, for the title and the configuration name, to the ANSI code page. The test runs in
// the C locale (ASCII): characters outside it become '?'.
TEST_F(BridgeRouterTest, TextCallsPostTheirMessageIntegerAndText) {
    const struct {
        const char* name;
        Args args;
        UINT message;
        int wParam;
        std::string text;
    } cases[] = {
        {"queryOrvexInfo",
         {u" 3", u"{\"serial\":\"\u4e2d\"}"},
         WM_H5_QUERY_INFO,
         3,
         "{\"serial\":\"\xE4\xB8\xAD\"}"},
        {"queryOrvexInfo", {u"9abc"}, WM_H5_QUERY_INFO, 9, ""},
        {"queryOrvexInfo", {u"x", u"p"}, WM_H5_QUERY_INFO, 0, "p"},
        {"queryOrvexInfo", {u"-2"}, WM_H5_QUERY_INFO, -2, ""},
        {"changeTitle", {u"Cam \u00e9\u4e2d"}, WM_H5_CHANGE_TITLE, 0, "Cam ??"},
        {"IssuedConfigName", {u"night & day"}, WM_H5_CONFIG_NAME, 0, "night & day"},
        {"CheckDevPassword",
         {u"{\"passwd\":\"\u00e9\"}", u"ignored"},
         WM_H5_CHECK_PASSWORD,
         0,
         "{\"passwd\":\"\xC3\xA9\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        host = testing::RecordingWindow::Create();
        auto m = routeOne(c.name, c.args);
        EXPECT_EQ(m.message, c.message);
        EXPECT_EQ(static_cast<int>(static_cast<intptr_t>(m.wParam)), c.wParam);
        EXPECT_EQ(takeText(m), c.text);
    }
}

TEST_F(BridgeRouterTest, IssueCallsPostOwnedRequests) {
    for (auto [name, message] :
         {std::pair{"IssuedConfigToCameras", WM_H5_ISSUED_CONFIG},
          std::pair{"IssuedSingleCfgToCameras", WM_H5_ISSUED_SINGLE_CONFIG}}) {
        host = testing::RecordingWindow::Create();
        auto m = routeOne(name, {u"[{\"serial\":\"A\"}]", u"{\"configItems\":{}}"});
        EXPECT_EQ(m.message, message);
        EXPECT_EQ(m.wParam, 0u);
        std::unique_ptr<IssueRequest> request(reinterpret_cast<IssueRequest*>(m.lParam));
        ASSERT_TRUE(request);
        EXPECT_EQ(request->cameras, "[{\"serial\":\"A\"}]");
        EXPECT_EQ(request->config, "{\"configItems\":{}}");
    }
    // Missing arguments read as empty texts.
    host = testing::RecordingWindow::Create();
    auto m = routeOne("IssuedConfigToCameras", {});
    std::unique_ptr<IssueRequest> request(reinterpret_cast<IssueRequest*>(m.lParam));
    EXPECT_EQ(request->cameras, "");
    EXPECT_EQ(request->config, "");
}

TEST_F(BridgeRouterTest, ResizeKeepsTheTopLeftCorner) {
    host = testing::RecordingWindow::Create({30, 40, 1310, 840});
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "resizeCefWnd", {u"800", u"600"}));
    RECT r = host->rect();
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    EXPECT_TRUE(host->lastRepaint());
    EXPECT_TRUE(host->posted().empty());
    // Without arguments the window is asked for 0 by 0.
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "resizeCefWnd", {}));
    EXPECT_EQ(host->rect().right, 30);
    EXPECT_EQ(host->rect().bottom, 40);
    // Sizes beyond what the window may take (8192 without a screen) and below zero are held.
    for (auto [w, h] : {std::pair{u"100000", u"100000"}, std::pair{u"2147483647", u"-5"}}) {
        EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "resizeCefWnd", {w, h}));
        EXPECT_EQ(host->rect().right - host->rect().left, 8192);
        EXPECT_EQ(host->rect().bottom - host->rect().top, w[1] == u'0' ? 8192 : 0);
    }
}

TEST_F(BridgeRouterTest, MediaAndUnknownNamesAreConsumedAndOtherSourcesNotHandled) {
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_TRUE(
            RouteBridgeCall(host->hwnd(), true, std::string(BridgeFunctionNames[i]), {u"1", u"2"}));
    }
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "noSuchFunction", {}));
    // Names are compared case-sensitively.
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "queryorvexinfo", {u"1"}));
    // A message from another source than the render process is not handled.
    EXPECT_FALSE(RouteBridgeCall(host->hwnd(), false, "queryOrvexInfo", {u"1"}));
    EXPECT_TRUE(host->posted().empty());
}

TEST_F(BridgeRouterTest, PostToAGoneWindowFreesThePayload) {
    UnregisterWindow(host->hwnd());
    // Under LeakSanitizer a payload kept by nobody would fail this test.
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "IssuedConfigToCameras", {u"[]", u"{}"}));
    EXPECT_TRUE(RouteBridgeCall(host->hwnd(), true, "changeTitle", {u"t"}));
    EXPECT_TRUE(host->posted().empty());
}

}  // namespace
}  // namespace orvex
