// The main window in real Qt WebEngine (offscreen), built from the program's own skin, in one
// sequence: the page inside the frame, the title the page asks for, the frame's hit-test codes,
// and closing by the close button once.
#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/orvex_browser.h"
#include "cef3/control/cef_common.h"
#include "cef3/testing/page_server.h"
#include "platform/duilib/tab_layout_ui.h"
#include "support/text_conversion.h"

namespace {

constexpr int kWaitMs = 30000;  // bounded waits for the engine on a loaded machine

// The page announces itself through the bridge: its title reaches the window's title label.
const char kPage[] = R"HTML(<!doctype html><html><head><meta charset="utf-8"></head>
<body style="margin:0;background:#f3f5f8;font:16px 'Noto Sans CJK SC',sans-serif">
<div style="background:#1f6feb;color:#fff;padding:18px 24px;font-size:20px">摄像机批量配置</div>
<p style="padding:0 24px">分组：一号楼 · 二号楼 · 停车场</p>
<script>
window.SetMsgToH5 = function () {};
changeTitle('批量配置 - 摄像机列表');
</script></body></html>)HTML";

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DuiLib::CPaintManagerUI::SetResourcePath(ORVEX_SKIN_DIR);
        server.page("/index.html", kPage);
    }

    void TearDown() override {
        if (window != nullptr && !window->isClosing()) {
            window->BeginClose();
            window->browserControl()->CloseBrowser(true);
        }
        // The window object is never destroyed in the program either; its widget goes.
        if (widget != nullptr) {
            widget->hide();
        }
        QTest::qWait(0);
    }

    std::string titleText() {
        auto* title = window->browserControl()->GetManager()->FindControl("lab_Title");
        return title != nullptr ? title->GetText() : "<none>";
    }

    LRESULT hitTest(int clientX, int clientY) {
        POINT p{clientX, clientY};
        ClientToScreen(window->GetHWND(), &p);
        return SendMessageA(window->GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    }

    orvex::testing::PageServer server;
    COrvexBrowser* window = nullptr;
    QWidget* widget = nullptr;
};

TEST_F(MainWindowTest, ShowsThePageTakesItsTitleAndClosesOnceByTheCloseButton) {
    // The studio endpoint leads nowhere.
    window = new COrvexBrowser(server.url("/index.html"), {"127.0.0.1", 1});
    ASSERT_NE(window->Create(nullptr, "test", WS_POPUP, 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT),
              nullptr);
    window->CenterWindow();
    window->ShowWindow(true, true);
    widget = orvex::WidgetFromHandle(window->GetHWND());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->browserControl() != nullptr; }, kWaitMs));
    auto* tabs = dynamic_cast<DuiLib::CTabLayoutUI*>(
        window->browserControl()->GetManager()->FindControl("AnimLayout"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), tabs->GetCount() - 1);
    EXPECT_EQ(window->uuid().size(), 32u);

    const std::string expected = orvex::Utf8ToAnsi("批量配置 - 摄像机列表");
    ASSERT_TRUE(QTest::qWaitFor([&] { return titleText() == expected; }, kWaitMs));

    // The page's blue header has been painted inside the frame's dark title bar.
    const RECT& pos = window->browserControl()->GetPos();
    QImage shot;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shot = widget->grab().toImage();
            return shot.pixelColor(pos.left + 60, pos.top + 10) == QColor(0x1f, 0x6f, 0xeb);
        },
        kWaitMs));
    EXPECT_EQ(shot.pixelColor(300, 20), QColor(0x1b, 0x2b, 0x44));
    EXPECT_EQ(shot.size(), QSize(1280, 800));
    QDir().mkpath(QStringLiteral(ORVEX_SCREENSHOT_DIR));
    EXPECT_TRUE(shot.save(QStringLiteral(ORVEX_SCREENSHOT_DIR "main_window.png")));

    EXPECT_EQ(hitTest(300, 20), HTCAPTION);       // the title bar
    EXPECT_EQ(hitTest(1280 - 23, 20), HTCLIENT);  // the close button is a button
    EXPECT_EQ(hitTest(1, 1), HTTOPLEFT);          // the size box (its rules: the skin's test)
    EXPECT_EQ(hitTest(1278, 798), HTBOTTOMRIGHT);
    EXPECT_EQ(hitTest(640, 400), HTCLIENT);  // the page

    SendMessageA(window->GetHWND(), WM_CLOSE, 0, 0);
    QTest::qWait(50);
    EXPECT_FALSE(window->isClosing());  // swallowed
    EXPECT_TRUE(widget->isVisible());

    // A click on "btn_close" stops the pool, closes the browser and posts the quit message.
    QEventLoop loop;
    QTimer::singleShot(kWaitMs, &loop, [&] { loop.exit(99); });
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(1280 - 23, 20));
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_TRUE(window->isClosing());
    EXPECT_FALSE(window->browserControl()->GetBrowser());

    // A second click, or the studio's quit, finds the window closing and does nothing more
    // (the quit has already been posted: the application is leaving its loops).
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(1280 - 23, 20));
    PostMessageA(window->GetHWND(), orvex::WM_STUDIO_QUIT, 0, 0);
    QTest::qWait(200);
    EXPECT_FALSE(window->BeginClose());
}

}  // namespace
