// CPaintManagerUI: the skin of one window. It owns the control tree, lays it out and paints it
// with QPainter on WM_PAINT, turns mouse and key messages into control events, sends
// notifications ("windowinit" at the first layout, "click", ...) to its notifiers, and offers
// every message to its message filters first.
#pragma once

#include <QImage>
#include <map>
#include <vector>

#include "platform/duilib/control_ui.h"

namespace DuiLib {

// All operations run on the GUI thread.
class CPaintManagerUI {
  public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWndPaint; }

    // The module and the folder skin files are read from. Paths may use '\' or '/'.
    static void SetInstance(HINSTANCE hInst);
    static HINSTANCE GetInstance();
    // The executable's folder, ending in a path separator.
    static CDuiString GetInstancePath();
    static void SetResourcePath(LPCTSTR pStrPath);
    static CDuiString GetResourcePath();
    // The full file name of a skin resource.
    static CDuiString ResourceFile(const CDuiString& name);

    // The message loop's translate step: the pre-message filters of the window's skin.
    static bool TranslateMessage(const MSG* pMsg);
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // The window's messages; true when the skin handled one (`lRes` is its result).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    bool AttachDialog(CControlUI* pControl);
    bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
    // A control is going away: every reference to it is dropped.
    void ReapObjects(CControlUI* pControl);
    void RenameControl(CControlUI* pControl, const CDuiString& oldName);
    CControlUI* GetRoot() const { return m_pRoot; }
    // The topmost visible control under a point in client coordinates.
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(LPCTSTR pstrName) const;

    CControlUI* GetFocus() const { return m_pFocus; }
    void SetFocus(CControlUI* pControl);

    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    void SendNotify(TNotifyUI& Msg);
    void SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam = 0,
                    LPARAM lParam = 0);
    bool AddMessageFilter(IMessageFilterUI* pFilter);
    bool RemoveMessageFilter(IMessageFilterUI* pFilter);
    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);

    void NeedUpdate() { m_bUpdateNeeded = true; }
    void Invalidate(const RECT& rcItem);

    SkinSize GetInitSize() const { return m_szInitWindowSize; }
    // Before the tree is attached this also resizes the window.
    void SetInitSize(int cx, int cy);
    RECT GetSizeBox() const { return m_rcSizeBox; }
    void SetSizeBox(const RECT& rcSizeBox) { m_rcSizeBox = rcSizeBox; }
    RECT GetCaptionRect() const { return m_rcCaption; }
    void SetCaptionRect(const RECT& rcCaption) { m_rcCaption = rcCaption; }
    SkinSize GetMinInfo() const { return m_szMinWindow; }
    void SetMinInfo(int cx, int cy);

    // A skin image by file name (loaded once); null when it cannot be read.
    const QImage* GetImage(const CDuiString& name);

  private:
    void paint();
    void mouseEvent(CControlUI* target, int type, WPARAM wParam, LPARAM lParam, POINT pt);

    HWND m_hWndPaint = nullptr;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    bool m_bFirstLayout = true;
    bool m_bUpdateNeeded = true;
    SkinSize m_szInitWindowSize;
    SkinSize m_szMinWindow;
    RECT m_rcSizeBox;
    RECT m_rcCaption;
    std::vector<INotifyUI*> m_aNotifiers;
    std::vector<IMessageFilterUI*> m_aMessageFilters;
    std::vector<IMessageFilterUI*> m_aPreMessageFilters;
    std::map<CDuiString, CControlUI*> m_mNameHash;
    std::map<CDuiString, QImage> m_mImageHash;
};

}  // namespace DuiLib
