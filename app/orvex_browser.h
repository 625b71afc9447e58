// COrvexBrowser: the program's only top-level window: the skinned frame around the page, and the
// hub that takes the page's calls, the studio's events and the load results.
#pragma once

#include <string>

#include "app/control_script_runner.h"
#include "app/dialog_builder_callback.h"
#include "app/orvex_browser_core.h"
#include "platform/duilib/label_ui.h"
#include "platform/duilib/paint_manager_ui.h"
#include "platform/duilib/window_wnd.h"

class CCefCommonUI;
namespace DuiLib {
class CTabLayoutUI;
}

// Everything but start-up runs on the GUI thread; the pool's tasks run on its workers.
class COrvexBrowser : public DuiLib::CWindowWnd,
                      public DuiLib::INotifyUI,
                      public orvex::OrvexBrowserCore {
  public:
    // The pool starts here. `pageAddress` is the page the browser opens; the studio link goes
    // to 127.0.0.1:5905 unless a test gives another endpoint. GUI thread.
    explicit COrvexBrowser(const std::string& pageAddress, orvex::StudioEndpoint studio = {});
    // Cleans the device network library up. The program never destroys its window.
    ~COrvexBrowser() override;

    void Notify(DuiLib::TNotifyUI& msg) override;

    // The browser control showing the page, or null. GUI thread.
    CCefCommonUI* browserControl() const { return m_pBrowser; }

  protected:
    DuiLib::LPCTSTR GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    void SetTitleText(const std::string& ansiTitle) override;
    void CloseWindow() override;

  private:
    LRESULT OnCreate();
    LRESULT OnNcHitTest(LPARAM lParam);
    void Init();
    void OnWindowInit();

    DuiLib::CPaintManagerUI m_pm;
    CDialogBuilderCallbackEx m_builderCallback;
    DuiLib::CTabLayoutUI* m_pAnimLayout = nullptr;
    CCefCommonUI* m_pBrowser = nullptr;
    ControlScriptRunner m_scripts;  // m_pBrowser as the core's script runner
    DuiLib::CLabelUI* m_pTitle = nullptr;
};
