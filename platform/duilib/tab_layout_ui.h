// CTabLayoutUI: a container that shows one selected item at a time.
#pragma once

#include "platform/duilib/container_ui.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
  public:
    LPCTSTR GetClass() const override { return "TabLayoutUI"; }
    void* GetInterface(LPCTSTR pstrName) override;

    // The first visible item added becomes the selection; later items are hidden.
    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_iCurSel; }
    // Shows the item and hides the others; notifies "tabselect" (wParam new, lParam old).
    // False for an index out of range.
    bool SelectItem(int iIndex);
    bool SelectItem(CControlUI* pControl) { return SelectItem(GetItemIndex(pControl)); }

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

  private:
    int m_iCurSel = -1;
};

}  // namespace DuiLib
