// The off-screen browser control with synthetic frames and input: the attributes, windowless
// creation, the backing store and its dirty-rectangle copy, painting, and the translation of the
// host window's input messages into browser events.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <memory>
#include <thread>
#include <tuple>

#include "cef3/browser/main_message_loop.h"
#include "cef3/control/cef_common.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/duilib/testing/skin_test_window.h"

namespace orvex {
namespace {

using namespace DuiLib;

constexpr int kWaitMs = 5000;

// A windowless browser stand-in: it records the input the control sends it.
class RecordingHost : public CefBrowser, public CefBrowserHost {
  public:
    explicit RecordingHost(CefRefPtr<CefClient> client) : client_(client) {}

    struct Click {
        CefMouseEvent event;
        MouseButtonType button;
        bool up;
        int count;
    };

    // CefBrowser
    CefRefPtr<CefBrowserHost> GetHost() override { return this; }
    int GetIdentifier() override { return 9; }
    bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
    bool IsLoading() override { return false; }
    void Reload() override {}
    void ReloadIgnoreCache() override {}
    void StopLoad() override {}
    CefRefPtr<CefFrame> GetMainFrame() override { return nullptr; }
    bool SendProcessMessage(CefProcessId, CefRefPtr<CefProcessMessage>) override { return false; }
    // CefBrowserHost
    CefRefPtr<CefBrowser> GetBrowser() override { return this; }
    void CloseBrowser(bool) override { ++closes; }
    CefWindowHandle GetWindowHandle() override { return nullptr; }
    CefRefPtr<CefClient> GetClient() override { return client_; }
    void WasResized() override { ++resizes; }
    void Invalidate(PaintElementType) override { ++invalidates; }
    void SendKeyEvent(const CefKeyEvent& event) override { keys.push_back(event); }
    void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType button, bool up,
                             int count) override {
        clicks.push_back({event, button, up, count});
    }
    void SendMouseMoveEvent(const CefMouseEvent& event, bool leave) override {
        moves.push_back({event, leave});
    }
    void SendMouseWheelEvent(const CefMouseEvent& event, int dx, int dy) override {
        wheels.push_back({event, {dx, dy}});
    }
    void SendFocusEvent(bool focus) override { focuses.push_back(focus); }
    void SendCaptureLostEvent() override { ++captureLosses; }

    std::vector<Click> clicks;
    std::vector<std::pair<CefMouseEvent, bool>> moves;
    std::vector<std::pair<CefMouseEvent, std::pair<int, int>>> wheels;
    std::vector<CefKeyEvent> keys;
    std::vector<bool> focuses;
    int captureLosses = 0;
    int resizes = 0;
    int invalidates = 0;
    int closes = 0;

  private:
    CefRefPtr<CefClient> client_;
    IMPLEMENT_REFCOUNTING(RecordingHost);
};

// The control under test, with access to its client and a way to give it a browser.
class TestOsRender : public CCefCommonUI {
  public:
    using CCefCommonUI::CCefCommonUI;
    ClientHandlerRender* render() { return static_cast<ClientHandlerRender*>(m_handler.get()); }
    CefRefPtr<RecordingHost> attach() {
        CefRefPtr<RecordingHost> host = new RecordingHost(m_handler.get());
        m_browser.Set(host.get());
        return host;
    }
    // How often the skin painted the control.
    int paints = 0;
    void DoPaint(HDC hDC, const RECT& rcPaint) override {
        ++paints;
        CCefCommonUI::DoPaint(hDC, rcPaint);
    }
};

class OsRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(ORVEX_TEST_SKIN_DIR);
        window = std::make_unique<testing::SkinTestWindow>("TestFrame.xml", nullptr);
        ASSERT_NE(window->Create(nullptr, "os render", WS_POPUP, 0), nullptr);
        window->ShowWindow(true, true);
        widget = WidgetFromHandle(window->GetHWND());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->count("windowinit") == 1; }, kWaitMs));
    }
    void TearDown() override {
        window.reset();
        for (int key : {VK_SHIFT, VK_LSHIFT}) {
            RecordKeyState(key, false);
        }
    }

    // A control in the tab layout (selected), laid out at the tab area.
    TestOsRender* addControl(bool offscreen, bool transparent) {
        auto* control = new TestOsRender(&window->manager());
        if (offscreen) {
            control->SetAttribute("offscreen", "true");
        }
        if (transparent) {
            control->SetAttribute("transparent", "true");
        }
        control->SetBkColor(0xFF0000FFu);  // the skin behind the page: blue
        auto* tabs = static_cast<CTabLayoutUI*>(window->manager().FindControl("AnimLayout"));
        tabs->Add(control);
        tabs->SelectItem(tabs->GetCount() - 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return control->GetWidth() > 0; }, kWaitMs));
        return control;
    }

    // A frame of one colour (BGRA bytes, premultiplied).
    static std::vector<uint8_t> frame(int width, int height, uint32_t bgra) {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            std::memcpy(&pixels[i], &bgra, 4);
        }
        return pixels;
    }

    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageA(window->GetHWND(), message, wParam, lParam);
    }

    CMainMessageLoopWin loop;  // the control's main-thread checks need the loop
    std::unique_ptr<testing::SkinTestWindow> window;
    QWidget* widget = nullptr;
};

TEST_F(OsRenderTest, OffscreenAttributeChoosesWindowlessCreationWhichGivesNoBrowser) {
    TestOsRender* plain = addControl(false, false);
    EXPECT_FALSE(plain->IsOffscreen());
    auto* other = new TestOsRender(&window->manager());
    other->SetAttribute("offscreen", "TRUE");
    EXPECT_FALSE(other->IsOffscreen());
    other->SetAttribute("offscreen", "true");
    other->SetAttribute("transparent", "yes");
    EXPECT_TRUE(other->IsOffscreen());
    EXPECT_FALSE(other->IsTransparent());
    auto* tabs = static_cast<CTabLayoutUI*>(window->manager().FindControl("AnimLayout"));
    tabs->Add(other);  // initialised: windowless rendering is not enabled, so no browser
    EXPECT_EQ(other->GetBrowser(), nullptr);
    EXPECT_EQ(other->GetBrowserWindow(), nullptr);
    EXPECT_EQ(other->render()->GetRenderHandler().get(),
              static_cast<CefRenderHandler*>(other->render()));
    EXPECT_EQ(plain->render()->GetRenderHandler(), nullptr);  // a windowed control has none
}

TEST_F(OsRenderTest, ViewRectAndScreenPointFollowTheControl) {
    TestOsRender* control = addControl(true, false);
    CefRect rect;
    ASSERT_TRUE(control->render()->GetViewRect(nullptr, rect));
    EXPECT_EQ(rect, CefRect(0, 0, control->GetWidth(), control->GetHeight()));
    int x = 0;
    int y = 0;
    ASSERT_TRUE(control->render()->GetScreenPoint(nullptr, 10, 20, x, y));
    QPoint expected = widget->mapToGlobal(QPoint(10 + control->GetX(), 20 + control->GetY()));
    EXPECT_EQ(QPoint(x, y), expected);

    control->SetPos(RECT{5, 50, 5, 300});  // no width: no view
    EXPECT_FALSE(control->render()->GetViewRect(nullptr, rect));
}

TEST_F(OsRenderTest, FramesFillTheStoreAndLaterFramesCopyOnlyTheirDirtyRectangles) {
    TestOsRender* control = addControl(true, false);
    auto* render = control->render();
    std::vector<uint8_t> red = frame(40, 30, 0x80FF0000u);  // alpha 0x80 is made opaque
    render->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, 40, 30)}, red.data(), 40, 30);
    QImage store = render->StoreCopy();
    ASSERT_EQ(store.size(), QSize(40, 30));
    EXPECT_EQ(store.format(), QImage::Format_RGB32);
    EXPECT_EQ(store.pixel(39, 29), 0xFFFF0000u);

    // Same size: only the dirty rectangle changes, even though the whole frame is green.
    std::vector<uint8_t> green = frame(40, 30, 0xFF00FF00u);
    render->OnPaint(nullptr, PET_VIEW, {CefRect(10, 5, 3, 2), CefRect(38, 28, 10, 10)},
                    green.data(), 40, 30);
    store = render->StoreCopy();
    EXPECT_EQ(store.pixel(10, 5), 0xFF00FF00u);
    EXPECT_EQ(store.pixel(12, 6), 0xFF00FF00u);
    EXPECT_EQ(store.pixel(13, 6), 0xFFFF0000u);
    EXPECT_EQ(store.pixel(12, 7), 0xFFFF0000u);
    EXPECT_EQ(store.pixel(9, 5), 0xFFFF0000u);
    EXPECT_EQ(store.pixel(39, 29), 0xFF00FF00u);  // the rectangle cut at the frame's edge
    EXPECT_EQ(store.pixel(37, 29), 0xFFFF0000u);

    // A new size replaces the store with the whole frame.
    std::vector<uint8_t> blue = frame(20, 10, 0xFF0000FFu);
    render->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, 1, 1)}, blue.data(), 20, 10);
    store = render->StoreCopy();
    ASSERT_EQ(store.size(), QSize(20, 10));
    EXPECT_EQ(store.pixel(19, 9), 0xFF0000FFu);
}

TEST_F(OsRenderTest, TransparentStoreKeepsAlphaAndBlendsOverTheSkin) {
    TestOsRender* control = addControl(true, true);
    control->attach();
    int width = control->GetWidth();
    int height = control->GetHeight();
    // Left half clear, right half opaque red (premultiplied BGRA, as the engine paints).
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    QPainter(&pixels).fillRect(width / 2, 0, width - width / 2, height, Qt::red);
    control->render()->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, width, height)},
                               pixels.constBits(), width, height);
    EXPECT_EQ(control->render()->StoreCopy().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(control->render()->StoreCopy().pixel(0, 0), 0u);
    widget->repaint();
    QImage shot = widget->grab().toImage();
    QPoint left(control->GetX() + 5, control->GetY() + height / 2);
    QPoint right(control->GetX() + width - 5, control->GetY() + height / 2);
    EXPECT_EQ(shot.pixel(left), 0xFF0000FFu);   // the skin's blue shows through
    EXPECT_EQ(shot.pixel(right), 0xFFFF0000u);  // the page's red
}

TEST_F(OsRenderTest, FramesForADeadHostWindowAreDropped) {
    TestOsRender* control = addControl(true, false);
    auto* render = control->render();
    render->GetRenderHandler();  // the handler learns its host window
    std::vector<uint8_t> red = frame(4, 4, 0xFFFF0000u);
    DestroyWindow(window->GetHWND());
    render->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, 4, 4)}, red.data(), 4, 4);
    EXPECT_TRUE(render->StoreCopy().isNull());
}

// The flags of the events come from os_input (tested there); here: which events reach the
// browser, and where.
TEST_F(OsRenderTest, ClicksAndWheelTurnsInsideTheControlAreForwardedRelativeToIt) {
    TestOsRender* control = addControl(true, false);
    CefRefPtr<RecordingHost> host = control->attach();
    int x = control->GetX() + 30;
    int y = control->GetY() + 40;
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x, y));
    send(WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(x, y));
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, control->GetY() - 5));  // outside
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->clicks.size() >= 3; }, kWaitMs));
    QTest::qWait(50);
    ASSERT_EQ(host->clicks.size(), 3u);
    EXPECT_EQ(std::tie(host->clicks[0].event.x, host->clicks[0].event.y), std::tuple(30, 40));
    EXPECT_EQ(host->clicks[0].button, MBT_LEFT);
    EXPECT_FALSE(host->clicks[0].up);
    EXPECT_EQ(host->clicks[0].count, 1);
    EXPECT_NE(host->clicks[0].event.modifiers & EVENTFLAG_CONTROL_DOWN, 0u);
    EXPECT_EQ(host->clicks[1].button, MBT_RIGHT);
    EXPECT_TRUE(host->clicks[1].up);
    EXPECT_EQ(host->clicks[2].button, MBT_MIDDLE);

    // The wheel's point is on the screen; with Shift it scrolls horizontally.
    QPoint global = widget->mapToGlobal(QPoint(control->GetX() + 12, control->GetY() + 8));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(global.x(), global.y()));
    RecordKeyState(VK_SHIFT, true);
    send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 240), MAKELPARAM(global.x(), global.y()));
    RecordKeyState(VK_SHIFT, false);
    QPoint outside = widget->mapToGlobal(QPoint(control->GetX() + 12, 2));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(outside.x(), outside.y()));
    ASSERT_EQ(host->wheels.size(), 2u);
    EXPECT_EQ(std::tie(host->wheels[0].first.x, host->wheels[0].first.y), std::tuple(12, 8));
    EXPECT_EQ(host->wheels[0].second, std::make_pair(0, -120));
    EXPECT_EQ(host->wheels[1].second, std::make_pair(240, 0));

    // A hidden control takes no input.
    control->SetVisible(false);
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(global.x(), global.y()));
    QTest::qWait(50);
    EXPECT_EQ(host->clicks.size(), 3u);
    EXPECT_EQ(host->wheels.size(), 2u);
}

TEST_F(OsRenderTest, KeysOnlyWithTheSkinFocusThenFocusCaptureSizeAndMouseMoves) {
    TestOsRender* control = addControl(true, false);
    CefRefPtr<RecordingHost> host = control->attach();
    window->manager().SetFocus(nullptr);
    EXPECT_FALSE(control->IsFocused());
    send(WM_KEYDOWN, 'A', 0x001E0001);
    EXPECT_TRUE(host->keys.empty());

    control->SetFocus();
    ASSERT_TRUE(control->IsFocused());
    bool handled = false;
    control->MessageHandler(WM_KEYDOWN, VK_NUMPAD0 + 7, 0x00470001, handled);
    EXPECT_TRUE(handled);
    send(WM_CHAR, 'a', 0x001E0001);
    send(WM_SYSKEYUP, 'F', 0xC0210001);
    ASSERT_EQ(host->keys.size(), 3u);
    EXPECT_EQ(host->keys[0].windows_key_code, VK_NUMPAD0 + 7);
    EXPECT_EQ(host->keys[1].type, KEYEVENT_CHAR);
    EXPECT_EQ(host->keys[2].type, KEYEVENT_KEYUP);

    // A message another filter already handled is left alone by the control.
    handled = true;
    control->MessageHandler(WM_KEYDOWN, 'B', 0, handled);
    EXPECT_EQ(host->keys.size(), 3u);

    // Focus, capture and size reach the browser as well.
    send(WM_SETFOCUS, 0, 0);
    send(WM_KILLFOCUS, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->focuses.size() == 2; }, kWaitMs));
    EXPECT_EQ(host->focuses, (std::vector<bool>{true, false}));
    send(WM_CAPTURECHANGED, 0, 0);
    send(WM_CANCELMODE, 0, 0);
    EXPECT_EQ(host->captureLosses, 2);
    send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(900, 600));
    EXPECT_GE(host->invalidates, 1);

    // Moves over the control come through the skin's events, relative to the control.
    QTest::mouseMove(widget, QPoint(control->GetX() + 25, control->GetY() + 35));
    ASSERT_FALSE(host->moves.empty());
    EXPECT_EQ(std::tie(host->moves.back().first.x, host->moves.back().first.y), std::tuple(25, 35));
    EXPECT_FALSE(host->moves.back().second);
    QTest::mouseMove(widget, QPoint(100, 10));  // onto the caption: the control is left
    EXPECT_TRUE(host->moves.back().second);
}

TEST_F(OsRenderTest, PaintDrawsTheOpaqueStoreAndResizesTheView) {
    TestOsRender* control = addControl(true, false);
    CefRefPtr<RecordingHost> host = control->attach();
    std::vector<uint8_t> green = frame(control->GetWidth(), control->GetHeight(), 0xFF00FF00u);
    control->render()->OnPaint(nullptr, PET_VIEW,
                               {CefRect(0, 0, control->GetWidth(), control->GetHeight())},
                               green.data(), control->GetWidth(), control->GetHeight());
    widget->repaint();
    EXPECT_GE(host->resizes, 1);
    QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.pixel(control->GetX() + 3, control->GetY() + 3), 0xFF00FF00u);

    // The cursor the page asks for becomes the host window's cursor.
    control->render()->OnCursorChange(nullptr, CursorFromShape(Qt::PointingHandCursor), CT_HAND,
                                      CefCursorInfo());
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
}

// A frame from another thread fills the store there, but the repaint waits for the main loop:
// nothing is painted until the loop runs the posted task, and then the control is painted.
TEST_F(OsRenderTest, AFrameFromAnotherThreadRepaintsThroughTheMainLoop) {
    TestOsRender* control = addControl(true, false);
    CefRefPtr<RecordingHost> host = control->attach();
    int width = control->GetWidth();
    int height = control->GetHeight();
    std::vector<uint8_t> green = frame(width, height, 0xFF00FF00u);
    control->render()->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, width, height)}, green.data(),
                               width, height);
    ASSERT_TRUE(QTest::qWaitFor([&] { return control->paints > 0; }, kWaitMs));
    QCoreApplication::processEvents();
    const int before = control->paints;

    std::thread painter([&] {
        std::vector<uint8_t> red = frame(width, height, 0xFFFF0000u);
        control->render()->OnPaint(nullptr, PET_VIEW, {CefRect(0, 0, 8, 8)}, red.data(), width,
                                   height);
    });
    painter.join();
    EXPECT_EQ(control->render()->StoreCopy().pixel(1, 1), 0xFFFF0000u);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(control->paints, before) << "repainted without the main loop";

    // The loop has not run yet: the repaint task waits for it, and runs before the quit.
    loop.PostClosure([] { PostQuitMessage(0); });
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->paints > before; }, kWaitMs));
    QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.pixel(control->GetX() + 1, control->GetY() + 1), 0xFFFF0000u);
}

}  // namespace
}  // namespace orvex
