// CLabelUI: a control that shows a single line of text (in the system ANSI code page) with a
// colour, an alignment and a text padding.
#pragma once

#include "platform/duilib/control_ui.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
  public:
    LPCTSTR GetClass() const override { return "LabelUI"; }
    void* GetInterface(LPCTSTR pstrName) override;

    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD dwTextColor);
    // Qt alignment flags (left, centre, right; top, vcenter, bottom).
    int GetTextAlign() const { return m_uTextStyle; }
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT rc);

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;

  protected:
    DWORD m_dwTextColor = 0xFF000000u;
    DWORD m_dwDisabledTextColor = 0xFFA7A6AAu;
    int m_uTextStyle = 0x0001 | 0x0080;  // Qt::AlignLeft | Qt::AlignVCenter
    int m_iFontSize = 0;                 // pixels; 0 keeps the window's font
    bool m_bFontBold = false;
    RECT m_rcTextPadding;
};

}  // namespace DuiLib
