#include "app/orvex_browser.h"

#include "cef3/control/cef_common.h"
#include "platform/duilib/skin_frame_hit_area.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/dvnetsdk/dvnetsdk.h"
#include "platform/win32/debug_output.h"
#include "support/gui_thread.h"
#include "support/text_conversion.h"

COrvexBrowser::COrvexBrowser(const std::string& pageAddress, orvex::StudioEndpoint studio)
    : orvex::OrvexBrowserCore(pageAddress, std::move(studio)) {}

COrvexBrowser::~COrvexBrowser() {
    NVSDK_Cleanup();
}

DuiLib::LPCTSTR COrvexBrowser::GetWindowClassName() const {
    static const std::string name = orvex::Utf8ToAnsi("Orvex工作室");
    return name.c_str();
}

UINT COrvexBrowser::GetClassStyle() const {
    return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
}

void COrvexBrowser::OnFinalMessage(HWND hWnd) {
    DuiLib::CWindowWnd::OnFinalMessage(hWnd);
}

LRESULT COrvexBrowser::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    ORVEX_ASSERT_GUI_THREAD();
    LRESULT lRes = 0;
    bool bHandled = true;
    switch (uMsg) {
        case WM_CREATE:
            lRes = OnCreate();
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        case WM_CLOSE:
            // Only "btn_close" and the studio's quit close the program.
            break;
        case WM_NCHITTEST:
            lRes = OnNcHitTest(lParam);
            break;
        case WM_NCPAINT:
            break;
        case WM_NCACTIVATE:
            if (IsIconic(m_hWnd)) {
                bHandled = false;
            }
            lRes = wParam == 0 ? TRUE : FALSE;
            break;
        default:
            bHandled = HandleProgramMessage(uMsg, wParam, lParam);
            break;
    }
    if (bHandled) {
        return lRes;
    }
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) {
        return lRes;
    }
    return DuiLib::CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT COrvexBrowser::OnCreate() {
    ORVEX_ASSERT_GUI_THREAD();
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG>(WS_CAPTION);
    SetWindowLongA(m_hWnd, GWL_STYLE, style | static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    m_pm.Init(m_hWnd);
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root =
        builder.Create("WndMainFrame.xml", nullptr, &m_builderCallback, &m_pm);
    if (root == nullptr) {
        // Without its skin the window has nothing to show: creation fails.
        OutputDebugStringA("skin WndMainFrame.xml could not be built\n");
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    Init();
    return 0;
}

void COrvexBrowser::Init() {
    m_pAnimLayout = dynamic_cast<DuiLib::CTabLayoutUI*>(m_pm.FindControl("AnimLayout"));
    m_pTitle = dynamic_cast<DuiLib::CLabelUI*>(m_pm.FindControl("lab_Title"));
    if (NVSDK_Init()) {
        OutputDebugStringA("init dvnetsdk succ \n");
    } else {
        OutputDebugStringA("init dvnetsdk fail. \n");
    }
}

LRESULT COrvexBrowser::OnNcHitTest(LPARAM lParam) {
    return DuiLib::HitTestSkinFrame(m_pm, m_hWnd,
                                    POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

void COrvexBrowser::Notify(DuiLib::TNotifyUI& msg) {
    ORVEX_ASSERT_GUI_THREAD();
    if (msg.sType == DuiLib::DUI_MSGTYPE_WINDOWINIT) {
        OnWindowInit();
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK && msg.pSender != nullptr &&
               msg.pSender->GetName() == "btn_close") {
        CloseWindow();
    }
}

void COrvexBrowser::OnWindowInit() {
    StartStudioLink(m_hWnd);
    // The page is shown as the last item of "AnimLayout"; a skin without it gets no browser.
    if (m_pAnimLayout != nullptr) {
        m_pBrowser = new CCefCommonUI(&m_pm);
        m_pBrowser->LoadURL(pageAddress());
        m_pAnimLayout->Add(m_pBrowser);
        m_pAnimLayout->SelectItem(m_pAnimLayout->GetCount() - 1);
        m_scripts.control = m_pBrowser;
        AttachBrowser(&m_scripts);
    }
    OutputDebugStringA("browser open : ");
    OutputDebugStringA(pageAddress().c_str());
    OutputDebugStringA("\n");
}

void COrvexBrowser::SetTitleText(const std::string& ansiTitle) {
    if (m_pTitle != nullptr) {
        m_pTitle->SetText(ansiTitle.c_str());
    }
    // The desktop (task bar, window switcher) names the window as its title bar does.
    SetWindowTextA(GetHWND(), ansiTitle.c_str());
}

void COrvexBrowser::CloseWindow() {
    if (!BeginClose()) {
        return;
    }
    m_pm.RemoveNotifier(this);
    if (m_pBrowser != nullptr) {
        DetachBrowser();
        m_pBrowser->CloseBrowser(true);
    }
    PostQuitMessage(0);
}
