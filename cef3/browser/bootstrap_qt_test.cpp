// The main message loop (task order, threads, the quit code, the skin's translate step, the
// fatal check) and the bootstrap as a process: the engine's sub-processes, started from the same
// program, never reach window creation.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <numeric>
#include <thread>

#include <unistd.h>

#include "cef3/browser/main_message_loop.h"
#include "platform/duilib/testing/skin_test_window.h"

namespace orvex {
namespace {

TEST(MainMessageLoopTest, TasksRunOnTheMainThreadInPostingOrderThoseBeforeRunFirst) {
    CMainMessageLoopWin loop;
    EXPECT_EQ(CMainMessageLoopWin::GetMainMessageLoop(), &loop);
    EXPECT_TRUE(loop.RunsTasksOnCurrentThread());
    std::vector<int> order;
    bool allOnMain = true;
    bool workerOnMain = true;
    loop.PostClosure([&] { order.push_back(-2); });
    loop.PostClosure([&] { order.push_back(-1); });
    // The worker starts once the loop runs: its tasks come after the two above.
    std::thread worker;
    QTimer::singleShot(0, [&] {
        worker = std::thread([&] {
            workerOnMain = loop.RunsTasksOnCurrentThread();
            for (int i = 0; i < 200; ++i) {
                loop.PostClosure([&, i] {
                    allOnMain = allOnMain && loop.RunsTasksOnCurrentThread();
                    order.push_back(i);
                });
            }
            loop.PostClosure([] { PostQuitMessage(5); });
        });
    });
    EXPECT_EQ(loop.Run(), 5);
    worker.join();
    EXPECT_FALSE(workerOnMain);
    EXPECT_TRUE(allOnMain);
    std::vector<int> expected(202);
    std::iota(expected.begin(), expected.end(), -2);
    EXPECT_EQ(order, expected);
}

TEST(MainMessageLoopTest, TasksPostedAfterTheLoopEndedAreDroppedWithIt) {
    bool ran = false;
    {
        CMainMessageLoopWin loop;
        loop.PostClosure([] { PostQuitMessage(3); });
        EXPECT_EQ(loop.Run(), 3);
        loop.PostClosure([&] { ran = true; });
        QTest::qWait(20);
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(CMainMessageLoopWin::GetMainMessageLoop(), nullptr);
}

class RecordingFilter : public DuiLib::IMessageFilterUI {
  public:
    explicit RecordingFilter(UINT take = 0) : take_(take) {}
    LRESULT MessageHandler(UINT uMsg, WPARAM, LPARAM, bool& bHandled) override {
        seen.push_back(uMsg);
        bHandled = uMsg == take_;
        return 0;
    }
    int count(UINT message) const {
        return static_cast<int>(std::count(seen.begin(), seen.end(), message));
    }
    std::vector<UINT> seen;

  private:
    UINT take_;
};

TEST(MainMessageLoopTest, AMessageTheSkinTranslatesIsNotDispatchedAgain) {
    DuiLib::CPaintManagerUI::SetResourcePath(ORVEX_TEST_SKIN_DIR);
    testing::SkinTestWindow window("TestFrame.xml", nullptr);
    ASSERT_NE(window.Create(nullptr, "loop", WS_POPUP, 0), nullptr);
    window.ShowWindow(true, true);
    QWidget* widget = WidgetFromHandle(window.GetHWND());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    RecordingFilter pre(WM_KEYDOWN);
    RecordingFilter seen;
    window.manager().AddPreMessageFilter(&pre);
    window.manager().AddMessageFilter(&seen);

    CMainMessageLoopWin loop;
    loop.PostClosure([&] {
        QTest::keyClick(widget, Qt::Key_B);  // taken by the translate step
        PostQuitMessage(0);
    });
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(pre.count(WM_KEYDOWN), 1);
    EXPECT_EQ(seen.count(WM_KEYDOWN), 0);
    EXPECT_EQ(seen.count(WM_CHAR), 0);  // nor translated into a character
    EXPECT_EQ(seen.count(WM_KEYUP), 1);

    // Outside the loop nothing translates: the window gets the key.
    QTest::keyClick(widget, Qt::Key_B);
    EXPECT_EQ(seen.count(WM_KEYDOWN), 1);
    window.manager().RemoveMessageFilter(&seen);
    window.manager().RemovePreMessageFilter(&pre);
}

TEST(MainMessageLoopDeathTest, AFailedCheckWritesTheFatalLine) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(CefCheck(false, "_message_hwnd_"), "Check failed: _message_hwnd_\\. ");
}

size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// Runs the probe program with the arguments: what it printed, then how it ended.
std::string runProbe(const QStringList& arguments) {
    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(ORVEX_BOOTSTRAP_PROBE), arguments);
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished(5000);
        return "<timed out>";
    }
    bool normal = probe.exitStatus() == QProcess::NormalExit;
    return probe.readAll().toStdString() +
           (normal ? "exit " + std::to_string(probe.exitCode()) : "crashed");
}

TEST(BootstrapProcessTest, TheBrowserProcessStartsTheEngineWithTheProgramsSwitches) {
    std::string output = runProbe({QStringLiteral("http://127.0.0.1:1/?Userid=1")});
    std::string switches =
        "engine switches: --no-proxy-server --disable-gpu --renderer-process-limit=1 --lang=zh-CN";
    if (geteuid() == 0) {
        switches += " --no-sandbox";  // Chromium refuses root otherwise
    }
    // Shut down after the loop, then again by the bootstrap: the second time is harmless. The
    // engine's own lines on standard error may fall between the probe's lines.
    for (const std::string& line :
         {std::string("initialised=1 multi-threaded loop=1\n"), std::string("window created\n"),
          switches + "\n", std::string("engine shut down: initialised=0\n")}) {
        EXPECT_NE(output.find(line), std::string::npos) << line << " in:\n" << output;
    }
    EXPECT_TRUE(output.ends_with("\nexit 0")) << output;
    // The engine's sub-processes run this same program and never get past the bootstrap: only
    // the browser process reports itself and creates a window.
    EXPECT_NE(output.find("probe started as zygote\n"), std::string::npos) << output;
    EXPECT_EQ(Count(output, "probe started as browser\n"), 1u) << output;
    EXPECT_EQ(Count(output, "browser process:"), 1u) << output;
    EXPECT_EQ(Count(output, "window created\n"), 1u) << output;
}

}  // namespace
}  // namespace orvex
