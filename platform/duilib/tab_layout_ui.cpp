#include "platform/duilib/tab_layout_ui.h"

#include <cstdlib>
#include <cstring>

#include "platform/duilib/paint_manager_ui.h"

namespace DuiLib {

void* CTabLayoutUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "TabLayout") == 0 ? this : CContainerUI::GetInterface(pstrName);
}

bool CTabLayoutUI::Add(CControlUI* pControl) {
    return AddAt(pControl, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* pControl, int iIndex) {
    if (pControl == nullptr || iIndex < 0 || iIndex > GetCount()) {
        return false;
    }
    if (m_iCurSel != -1 && iIndex <= m_iCurSel) {
        ++m_iCurSel;  // the selected item moves up by one
    }
    CContainerUI::AddAt(pControl, iIndex);
    if (m_iCurSel == -1 && pControl->IsVisible()) {
        m_iCurSel = iIndex;
    } else {
        pControl->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* pControl) {
    int index = GetItemIndex(pControl);
    if (!CContainerUI::Remove(pControl)) {
        return false;
    }
    if (index == m_iCurSel) {
        m_iCurSel = -1;
        if (GetCount() > 0) {
            SelectItem(index < GetCount() ? index : GetCount() - 1);
        }
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount()) {
        return false;
    }
    if (iIndex == m_iCurSel) {
        return true;
    }
    int old = m_iCurSel;
    m_iCurSel = iIndex;
    for (int i = 0; i < GetCount(); ++i) {
        if (i == iIndex) {
            m_items[i]->SetVisible(true);
            m_items[i]->SetFocus();
        } else {
            m_items[i]->SetVisible(false);
        }
    }
    NeedParentUpdate();
    if (m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_TABSELECT, static_cast<WPARAM>(m_iCurSel),
                               static_cast<LPARAM>(old));
    }
    return true;
}

void CTabLayoutUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    if (std::strcmp(pstrName, "selectedid") == 0) {
        SelectItem(std::atoi(pstrValue));
    } else {
        CContainerUI::SetAttribute(pstrName, pstrValue);
    }
}

}  // namespace DuiLib
