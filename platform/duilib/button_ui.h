// CButtonUI: a label that is clicked: normal, hot (mouse over) and pushed images, and the
// "click" notification when the left button is released over it.
#pragma once

#include "platform/duilib/label_ui.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
  public:
    // Button state bits.
    static constexpr UINT UISTATE_HOT = 0x01;
    static constexpr UINT UISTATE_PUSHED = 0x02;
    static constexpr UINT UISTATE_CAPTURED = 0x04;

    LPCTSTR GetClass() const override { return "ButtonUI"; }
    void* GetInterface(LPCTSTR pstrName) override;

    UINT GetButtonState() const { return m_uButtonState; }
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

  private:
    UINT m_uButtonState = 0;
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    CDuiString m_sPushedImage;
    CDuiString m_sDisabledImage;
};

}  // namespace DuiLib
