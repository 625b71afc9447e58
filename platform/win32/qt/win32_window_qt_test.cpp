// The Win32 window layer on Qt: posting, the input messages a window procedure receives with
// their Win32 parameters, frame dragging by hit test, window geometry and the message loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/win32/qt/qt_window.h"
#include "platform/win32/qt/win32_widget.h"

namespace orvex {
namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    SHORT shiftState;
};

class RecordingProcedure : public WindowProcedure {
  public:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            return 0;
        }
        received.push_back({message, wParam, lParam, GetKeyState(VK_SHIFT)});
        if (message == WM_NCHITTEST) {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd, &pt);
            if (pt.x >= 400 - 4) {  // the right edge of the 400-pixel window
                return HTRIGHT;
            }
            return pt.y < 30 ? HTCAPTION : HTCLIENT;
        }
        if (message == WM_CLOSE && swallowClose) {
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    std::vector<Received> of(UINT message) const {
        std::vector<Received> out;
        for (const Received& r : received) {
            if (r.message == message) {
                out.push_back(r);
            }
        }
        return out;
    }
    std::vector<Received> received;
    bool swallowClose = false;
};

class Win32WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        widget =
            new Win32Widget(&procedure, nullptr, Qt::Window | Qt::FramelessWindowHint, CS_DBLCLKS);
        widget->setGeometry(100, 80, 400, 300);
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        procedure.received.clear();
    }
    void TearDown() override { delete widget.data(); }

    RecordingProcedure procedure;
    QPointer<Win32Widget> widget;
};

TEST_F(Win32WindowTest, ClicksAndWheelArriveAsMouseMessagesWithTheirPointsAndKeyFlags) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::ControlModifier, QPoint(40, 120));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::ControlModifier, QPoint(40, 120));
    QTest::mouseClick(widget, Qt::RightButton, Qt::NoModifier, QPoint(7, 200));

    std::vector<Received> down = procedure.of(WM_LBUTTONDOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].wParam, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(GET_X_LPARAM(down[0].lParam), 40);
    EXPECT_EQ(GET_Y_LPARAM(down[0].lParam), 120);
    std::vector<Received> up = procedure.of(WM_LBUTTONUP);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].wParam, MK_CONTROL);
    ASSERT_EQ(procedure.of(WM_RBUTTONDOWN).size(), 1u);
    EXPECT_EQ(procedure.of(WM_RBUTTONDOWN)[0].wParam, MK_RBUTTON);
    EXPECT_EQ(procedure.of(WM_RBUTTONUP).size(), 1u);
    EXPECT_FALSE(procedure.of(WM_NCHITTEST).empty());  // the left button asks the frame first

    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(50, 150));
    EXPECT_EQ(procedure.of(WM_LBUTTONDBLCLK).size(), 1u);

    // The wheel: its delta, the screen point and the Shift state.
    QPoint local(60, 100);
    QPoint global = widget->mapToGlobal(local);
    QWheelEvent wheel(local, global, QPoint(), QPoint(0, -240), Qt::NoButton, Qt::ShiftModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
    std::vector<Received> got = procedure.of(WM_MOUSEWHEEL);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[0].wParam), -240);
    EXPECT_EQ(LOWORD(got[0].wParam), MK_SHIFT);
    EXPECT_EQ(GET_X_LPARAM(got[0].lParam), global.x());
    EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), global.y());
    EXPECT_LT(got[0].shiftState, 0);  // GetKeyState sees Shift down while the wheel is handled
}

TEST_F(Win32WindowTest, KeysArriveAsKeyAndCharacterMessages) {
    QTest::keyClick(widget, Qt::Key_F5);
    QTest::keyClick(widget, Qt::Key_A, Qt::NoModifier);
    std::vector<Received> down = procedure.of(WM_KEYDOWN);
    ASSERT_EQ(down.size(), 2u);
    EXPECT_EQ(down[0].wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(down[1].wParam, static_cast<WPARAM>('A'));
    std::vector<Received> chars = procedure.of(WM_CHAR);
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
    std::vector<Received> up = procedure.of(WM_KEYUP);
    ASSERT_EQ(up.size(), 2u);
    uint32_t upBits = static_cast<uint32_t>(up[0].lParam);
    EXPECT_EQ(upBits & 0xC0000000u, 0xC0000000u);  // previous state and transition
    EXPECT_EQ(static_cast<uint32_t>(down[0].lParam) & 0xC0000000u, 0u);
    EXPECT_EQ(static_cast<uint32_t>(down[0].lParam) & 0xFFFFu, 1u);  // repeat count

    procedure.received.clear();
    QTest::keyClick(widget, Qt::Key_5, Qt::KeypadModifier);
    QTest::keyClick(widget, Qt::Key_Delete);
    QTest::keyClick(widget, Qt::Key_Delete, Qt::KeypadModifier);
    QTest::keyClick(widget, Qt::Key_F, Qt::AltModifier);
    down = procedure.of(WM_KEYDOWN);
    ASSERT_EQ(down.size(), 3u);
    EXPECT_EQ(down[0].wParam, static_cast<WPARAM>(VK_NUMPAD0 + 5));
    EXPECT_EQ(down[1].wParam, static_cast<WPARAM>(VK_DELETE));
    EXPECT_NE(static_cast<uint32_t>(down[1].lParam) & (1u << 24), 0u);  // extended
    EXPECT_EQ(static_cast<uint32_t>(down[2].lParam) & (1u << 24), 0u);  // keypad Del
    // Alt itself, then F while Alt is held: both system keys.
    std::vector<Received> sys = procedure.of(WM_SYSKEYDOWN);
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys[0].wParam, static_cast<WPARAM>(VK_MENU));
    EXPECT_EQ(sys[1].wParam, static_cast<WPARAM>('F'));
    EXPECT_NE(static_cast<uint32_t>(sys[1].lParam) & (1u << 29), 0u);  // context code
    EXPECT_EQ(procedure.of(WM_SYSCHAR).size(), 1u);

    // Caps Lock toggles its key state, and is released again.
    SHORT before = GetKeyState(VK_CAPITAL);
    QTest::keyClick(widget, Qt::Key_CapsLock);
    EXPECT_NE(before & 1, GetKeyState(VK_CAPITAL) & 1);
    EXPECT_GE(GetKeyState(VK_CAPITAL), 0);
    QTest::keyClick(widget, Qt::Key_CapsLock);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, before & 1);
}

TEST_F(Win32WindowTest, CaptionDragMovesAndSizeEdgeResizesTheWindow) {
    QRect start = widget->geometry();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
    QTest::mouseMove(widget, QPoint(130, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(130, 30));
    QTRY_COMPARE_WITH_TIMEOUT(widget->geometry().topLeft(), start.topLeft() + QPoint(30, 20), 2000);
    EXPECT_EQ(widget->size(), start.size());
    EXPECT_TRUE(procedure.of(WM_LBUTTONDOWN).empty());  // the frame took the press
    ASSERT_FALSE(procedure.of(WM_NCLBUTTONDOWN).empty());
    EXPECT_EQ(procedure.of(WM_NCLBUTTONDOWN)[0].wParam, static_cast<WPARAM>(HTCAPTION));

    QRect moved = widget->geometry();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(398, 150));
    QTest::mouseMove(widget, QPoint(348, 150));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(348, 150));
    QTRY_COMPARE_WITH_TIMEOUT(widget->width(), moved.width() - 50, 2000);
    EXPECT_EQ(widget->geometry().topLeft(), moved.topLeft());
}

TEST_F(Win32WindowTest, GeometryVisibilityCursorAndCaptureCalls) {
    HWND hwnd = widget->hwnd();
    ASSERT_TRUE(MoveWindow(hwnd, 50, 60, 500, 320, TRUE));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom), std::tuple(50, 60, 550, 380));
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(std::tie(rect.right, rect.bottom), std::tuple(500, 320));
    POINT pt{10, 20};
    ClientToScreen(hwnd, &pt);
    EXPECT_EQ(std::tie(pt.x, pt.y), std::tuple(60, 80));
    ScreenToClient(hwnd, &pt);
    EXPECT_EQ(std::tie(pt.x, pt.y), std::tuple(10, 20));

    // A child window: placed in its parent's client coordinates.
    auto* child = new QWidget(widget);
    HWND childHwnd = AttachWindowHandle(child, nullptr);
    ASSERT_TRUE(MoveWindow(childHwnd, 5, 40, 100, 50, TRUE));
    EXPECT_EQ(child->geometry(), QRect(5, 40, 100, 50));
    ASSERT_TRUE(GetWindowRect(childHwnd, &rect));
    EXPECT_EQ(std::tie(rect.left, rect.top), std::tuple(55, 100));
    EXPECT_EQ(GetParent(childHwnd), hwnd);
    ShowWindow(childHwnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(childHwnd));
    ShowWindow(childHwnd, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(childHwnd));
    delete child;
    EXPECT_FALSE(IsWindow(childHwnd));
    EXPECT_FALSE(PostMessageA(childHwnd, WM_USER, 0, 0));

    SetClassLongA(hwnd, GCL_HCURSOR,
                  static_cast<LONG>(reinterpret_cast<uintptr_t>(CursorFromShape(Qt::IBeamCursor))));
    EXPECT_EQ(widget->cursor().shape(), Qt::IBeamCursor);

    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(procedure.of(WM_CAPTURECHANGED).size(), 1u);
}

TEST_F(Win32WindowTest, CloseDestroysUnlessTheProcedureSwallowsIt) {
    HWND hwnd = widget->hwnd();
    procedure.swallowClose = true;
    widget->close();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(procedure.of(WM_CLOSE).size(), 1u);
    procedure.swallowClose = false;
    widget->close();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(procedure.of(WM_DESTROY).size(), 1u);
    EXPECT_EQ(procedure.of(WM_NCDESTROY).size(), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(widget.isNull(), 2000);
}

TEST_F(Win32WindowTest, PostsFromAnotherThreadArriveInOrderAndQuitEndsTheLoopWithItsCode) {
    HWND hwnd = widget->hwnd();
    std::thread([hwnd] {
        for (int i = 0; i < 50; ++i) {
            PostMessageA(hwnd, WM_USER + 1, static_cast<WPARAM>(i), 0);
        }
        PostQuitMessage(42);
    }).join();
    EXPECT_EQ(RunMessageLoop(), 42);
    std::vector<Received> got = procedure.of(WM_USER + 1);
    ASSERT_EQ(got.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(got[i].wParam, static_cast<WPARAM>(i));
    }
}

}  // namespace
}  // namespace orvex
