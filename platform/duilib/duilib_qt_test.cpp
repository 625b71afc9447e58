// The skin library on Qt: building a layout from XML, control lookup, the first-layout
// notification, layouts, the tab layout's selection, clicks, message filters, the translate
// step and the frame hit test.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <memory>
#include <tuple>

#include "platform/duilib/button_ui.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/duilib/testing/skin_test_window.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

using namespace DuiLib;

class PlaceholderCallback : public IDialogBuilderCallback {
  public:
    CControlUI* CreateControl(LPCTSTR pstrClass, CPaintManagerUI* pManager) override {
        asked.emplace_back(pstrClass);
        managers.push_back(pManager);
        return std::string(pstrClass) == "Placeholder" ? new CControlUI() : nullptr;
    }
    std::vector<std::string> asked;
    std::vector<CPaintManagerUI*> managers;
};

class SkinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(ORVEX_TEST_SKIN_DIR);
        window = std::make_unique<testing::SkinTestWindow>("TestFrame.xml", &callback);
        ASSERT_NE(window->Create(nullptr, "skin test", WS_POPUP, 0), nullptr);
        window->CenterWindow();
        window->ShowWindow(true, true);
        widget = WidgetFromHandle(window->GetHWND());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->count("windowinit") > 0; }, 5000));
    }

    QPoint center(LPCTSTR name) {
        CControlUI* control = window->manager().FindControl(name);
        const RECT& pos = control->GetPos();
        return QPoint((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
    }

    PlaceholderCallback callback;
    std::unique_ptr<testing::SkinTestWindow> window;
    QWidget* widget = nullptr;
};

TEST_F(SkinTest, BuildsTheLayoutAndFindsControlsByName) {
    CPaintManagerUI& manager = window->manager();
    CControlUI* title = manager.FindControl("lab_Title");
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title->GetClass(), "LabelUI");
    EXPECT_EQ(title->GetText(), Utf8ToAnsi("云配置"));
    ASSERT_NE(manager.FindControl("btn_close"), nullptr);
    EXPECT_STREQ(manager.FindControl("btn_close")->GetClass(), "ButtonUI");
    CControlUI* tabs = manager.FindControl("AnimLayout");
    ASSERT_NE(tabs, nullptr);
    EXPECT_NE(tabs->GetInterface("TabLayout"), nullptr);
    EXPECT_EQ(manager.FindControl("no_such_control"), nullptr);

    // The custom class came from the callback, asked with the class name and the manager.
    ASSERT_EQ(callback.asked, std::vector<std::string>{"Placeholder"});
    EXPECT_EQ(callback.managers[0], &manager);
    ASSERT_NE(manager.FindControl("placeholder"), nullptr);

    // Window attributes: the size set while the window was created, caption and size box.
    EXPECT_EQ(widget->size(), QSize(960, 640));
    EXPECT_EQ(manager.GetCaptionRect().bottom, 40);
    EXPECT_EQ(manager.GetSizeBox().left, 4);
    EXPECT_EQ(widget->minimumSize(), QSize(480, 320));
}

TEST_F(SkinTest, LaysOutFixedAndFlexibleItemsAndNotifiesWindowInitOnce) {
    CPaintManagerUI& manager = window->manager();
    const RECT& caption = manager.FindControl("caption")->GetPos();
    EXPECT_EQ(std::tie(caption.top, caption.bottom), std::tuple(0, 40));
    const RECT& close = manager.FindControl("btn_close")->GetPos();
    EXPECT_EQ(close.right, 960 - 8);  // the caption's right inset
    EXPECT_EQ(close.right - close.left, 28);
    EXPECT_EQ(close.top, 6);  // its top padding
    const RECT& title = manager.FindControl("lab_Title")->GetPos();
    EXPECT_EQ(std::tie(title.left, title.right), std::tuple(14, close.left));
    const RECT& tabs = manager.FindControl("AnimLayout")->GetPos();
    EXPECT_EQ(std::tie(tabs.top, tabs.bottom), std::tuple(40, 640));

    // A new size lays the tree out again; "windowinit" came once, at the first layout.
    MoveWindow(window->GetHWND(), 10, 10, 700, 500, TRUE);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->manager().FindControl("caption")->GetPos().right == 700; }, 5000));
    widget->repaint();
    EXPECT_EQ(window->count("windowinit"), 1);
}

TEST_F(SkinTest, TabLayoutShowsOnlyItsSelectedItem) {
    auto* tabs = static_cast<CTabLayoutUI*>(window->manager().FindControl("AnimLayout"));
    CControlUI* loading = window->manager().FindControl("lab_Loading");
    CControlUI* placeholder = window->manager().FindControl("placeholder");
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(loading->IsVisible());
    EXPECT_FALSE(placeholder->IsVisible());

    ASSERT_TRUE(tabs->SelectItem(tabs->GetCount() - 1));
    EXPECT_FALSE(loading->IsVisible());
    EXPECT_TRUE(placeholder->IsVisible());
    EXPECT_EQ(window->count("tabselect"), 1);
    EXPECT_FALSE(tabs->SelectItem(5));

    // A control added later is hidden until selected, and takes the whole tab area.
    auto* added = new CControlUI();
    added->SetName("added");
    tabs->Add(added);
    EXPECT_FALSE(added->IsVisible());
    tabs->SelectItem(tabs->GetCount() - 1);
    EXPECT_TRUE(added->IsVisible());
    EXPECT_FALSE(placeholder->IsVisible());
    // The tab layout's inset is 1,0,1,1.
    ASSERT_TRUE(QTest::qWaitFor([&] { return added->GetPos().bottom == 639; }, 5000));
    const RECT& pos = added->GetPos();
    EXPECT_EQ(std::tie(pos.left, pos.top, pos.right), std::tuple(1, 40, 959));
    EXPECT_EQ(window->manager().FindControl("added"), added);

    // Hiding the tab layout hides its selected item as well.
    tabs->SetVisible(false);
    EXPECT_FALSE(added->IsVisible());
}

class TakingFilter : public IMessageFilterUI {
  public:
    explicit TakingFilter(UINT take) : take_(take) {}
    LRESULT MessageHandler(UINT uMsg, WPARAM, LPARAM, bool& bHandled) override {
        seen.push_back(uMsg);
        if (uMsg == take_) {
            bHandled = true;
            return 7;
        }
        return 0;
    }
    std::vector<UINT> seen;

  private:
    UINT take_;
};

TEST_F(SkinTest, ClicksNotifyUnlessAMessageFilterTakesThemAndPreFiltersTranslate) {
    QPoint button = center("btn_close");
    QTest::mouseMove(widget, button);
    auto* close = static_cast<CButtonUI*>(window->manager().FindControl("btn_close"));
    EXPECT_NE(close->GetButtonState() & CButtonUI::UISTATE_HOT, 0u);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, button);
    ASSERT_EQ(window->count("click"), 1);
    EXPECT_EQ(window->notifications().back().sender, "btn_close");
    // Released elsewhere: no click.
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, button);
    QTest::mouseMove(widget, QPoint(500, 300));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(500, 300));
    EXPECT_EQ(window->count("click"), 1);

    // A message filter sees messages first and can take them.
    TakingFilter filter(WM_LBUTTONDOWN);
    window->manager().AddMessageFilter(&filter);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_EQ(window->count("click"), 1);  // the button never saw the press
    EXPECT_NE(std::find(filter.seen.begin(), filter.seen.end(), WM_LBUTTONUP), filter.seen.end());
    LRESULT result = 0;
    EXPECT_TRUE(window->manager().MessageHandler(WM_LBUTTONDOWN, 0, 0, result));
    EXPECT_EQ(result, 7);
    window->manager().RemoveMessageFilter(&filter);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_EQ(window->count("click"), 2);

    // The translate step offers messages of this skin's window to the pre-filters.
    TakingFilter pre(WM_KEYDOWN);
    window->manager().AddPreMessageFilter(&pre);
    MSG msg;
    msg.hwnd = window->GetHWND();
    msg.message = WM_KEYDOWN;
    msg.wParam = 'A';
    EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&msg));
    msg.message = WM_KEYUP;
    EXPECT_FALSE(CPaintManagerUI::TranslateMessage(&msg));
    msg.hwnd = nullptr;
    msg.message = WM_KEYDOWN;
    EXPECT_FALSE(CPaintManagerUI::TranslateMessage(&msg));  // not this skin's window
    window->manager().RemovePreMessageFilter(&pre);
}

TEST_F(SkinTest, FrameHitTestGivesSizeBoxCaptionAndClientCodes) {
    HWND hwnd = window->GetHWND();
    CPaintManagerUI& manager = window->manager();
    auto at = [&](int x, int y) {
        QPoint global = widget->mapToGlobal(QPoint(x, y));
        return HitTestSkinFrame(manager, hwnd, POINT{global.x(), global.y()});
    };
    EXPECT_EQ(at(1, 1), HTTOPLEFT);
    EXPECT_EQ(at(958, 2), HTTOPRIGHT);
    EXPECT_EQ(at(400, 3), HTTOP);
    EXPECT_EQ(at(2, 638), HTBOTTOMLEFT);
    EXPECT_EQ(at(959, 639), HTBOTTOMRIGHT);
    EXPECT_EQ(at(400, 637), HTBOTTOM);
    EXPECT_EQ(at(0, 300), HTLEFT);
    EXPECT_EQ(at(957, 300), HTRIGHT);
    EXPECT_EQ(at(100, 20), HTCAPTION);  // over the title label
    QPoint button = center("btn_close");
    EXPECT_EQ(at(button.x(), button.y()), HTCLIENT);  // buttons stay clickable
    EXPECT_EQ(at(400, 41), HTCLIENT);                 // below the caption

    // A maximised window has no size box. (Dragging by the caption: the window layer's test.)
    widget->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return IsZoomed(hwnd) != FALSE; }, 5000));
    EXPECT_EQ(at(1, 1), HTCAPTION);
}

TEST(SkinBuilderTest, RefusesMalformedLayoutsAndLeavesUnknownClassesOut) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create("<Window><VerticalLayout></Window>"), nullptr);
    EXPECT_EQ(builder.Create("missing-file.xml"), nullptr);
    PlaceholderCallback callback;
    CControlUI* root = builder.Create(
        "<Window><VerticalLayout name=\"r\"><Widget name=\"w\"/><Label name=\"l\"/>"
        "</VerticalLayout></Window>",
        nullptr, &callback);
    ASSERT_NE(root, nullptr);
    auto* container = static_cast<CContainerUI*>(root->GetInterface("IContainer"));
    ASSERT_EQ(container->GetCount(), 1);
    EXPECT_STREQ(container->GetItemAt(0)->GetClass(), "LabelUI");
    EXPECT_EQ(callback.asked, std::vector<std::string>{"Widget"});
    delete root;
}

TEST(SkinValuesTest, ParsesRectanglesColoursAndImages) {
    RECT rect = ParseSkinRect("1,2,3");
    EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom), std::tuple(1, 2, 3, 0));
    EXPECT_EQ(ParseSkinColor("#FF102030"), 0xFF102030u);
    EXPECT_EQ(ParseSkinColor("#102030"), 0xFF102030u);
    EXPECT_EQ(ParseSkinColor("0x80FFFFFF"), 0x80FFFFFFu);
    SkinImage image = ParseSkinImage("file='a.png' source='0,0,10,10' dest='2,2,12,12'");
    EXPECT_EQ(image.file, "a.png");
    ASSERT_TRUE(image.source.has_value());
    EXPECT_EQ(image.source->right, 10);
    ASSERT_TRUE(image.dest.has_value());
    EXPECT_EQ(image.dest->left, 2);
    EXPECT_EQ(ParseSkinImage("b.png").file, "b.png");
}

}  // namespace
}  // namespace orvex
