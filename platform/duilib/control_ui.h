// CControlUI: the base of every skin control: name, position, padding, fixed size, visibility,
// focus, background colour and image, border, attributes, events and painting.
#pragma once

#include "platform/duilib/skin_values.h"
#include "platform/duilib/ui_base.h"

namespace DuiLib {

// All operations run on the GUI thread.
class CControlUI {
  public:
    CControlUI();
    virtual ~CControlUI();

    virtual CDuiString GetName() const { return m_sName; }
    virtual void SetName(LPCTSTR pstrName);
    virtual LPCTSTR GetClass() const { return "ControlUI"; }
    // The control as the named interface ("Control", and what derived classes add), or null.
    virtual void* GetInterface(LPCTSTR pstrName);
    // Sends "click" when the control is visible and enabled; false otherwise.
    virtual bool Activate();

    CPaintManagerUI* GetManager() const { return m_pManager; }
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
    CControlUI* GetParent() const { return m_pParent; }

    virtual CDuiString GetText() const { return m_sText; }
    virtual void SetText(LPCTSTR pstrText);
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD dwBackColor);
    CDuiString GetBkImage() const { return m_sBkImage; }
    void SetBkImage(LPCTSTR pStrImage);

    // Position in the window's client coordinates.
    virtual const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc);
    int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
    int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
    int GetX() const { return m_rcItem.left; }
    int GetY() const { return m_rcItem.top; }
    RECT GetPadding() const { return m_rcPadding; }
    void SetPadding(RECT rcPadding);
    // The size a layout gives the control; 0 means "share what is left".
    virtual SkinSize EstimateSize(SkinSize szAvailable);
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedHeight(int cy);
    // Floating controls are placed at `pos` relative to their parent, outside the layout.
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool bFloat = true);
    RECT GetFloatPos() const { return m_rcFloat; }

    virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
    virtual void SetVisible(bool bVisible = true);
    // Visibility given by the parent (a hidden container hides its items).
    virtual void SetInternVisible(bool bVisible = true);
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool bEnable = true);
    virtual bool IsMouseEnabled() const { return m_bMouseEnabled; }
    virtual void SetMouseEnabled(bool bEnable = true) { m_bMouseEnabled = bEnable; }
    virtual bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();

    virtual CControlUI* FindControl(FINDCONTROLPROC Proc, void* pData, UINT uFlags);

    void Invalidate();
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    void NeedUpdate();
    void NeedParentUpdate();

    // Called once when the control joins a window with a parent (DoInit does the work).
    void Init();
    virtual void DoInit() {}

    // Events: Event delivers to DoEvent; what a control leaves goes to its parent.
    void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);

    virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);

    // Paints the control where it meets the paint rectangle.
    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC /*hDC*/) {}
    virtual void PaintText(HDC /*hDC*/) {}
    virtual void PaintBorder(HDC hDC);

    // The focus flag as the paint manager sets it.
    void SetFocusFlag(bool focused) { m_bFocused = focused; }

  protected:
    // Draws an image description into the control (stretched to `dest` or the whole control).
    bool DrawImage(HDC hDC, const CDuiString& image);

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName;
    CDuiString m_sText;
    bool m_bUpdateNeeded = true;
    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bFocused = false;
    bool m_bFloat = false;
    bool m_bInited = false;
    RECT m_rcItem;
    RECT m_rcPadding;
    RECT m_rcFloat;
    SkinSize m_cxyFixed;
    DWORD m_dwBackColor = 0;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0;
    CDuiString m_sBkImage;
};

}  // namespace DuiLib
