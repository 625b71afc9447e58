#include "platform/duilib/container_ui.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/duilib/paint_manager_ui.h"

namespace DuiLib {
namespace {

// One item of a layout and its own size in the layout's direction (0: flexible).
struct Slot {
    CControlUI* item;
    LONG fixed;
};

}  // namespace

CContainerUI::~CContainerUI() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) {
        delete item;
    }
}

void* CContainerUI::GetInterface(LPCTSTR pstrName) {
    if (std::strcmp(pstrName, "Container") == 0 || std::strcmp(pstrName, "IContainer") == 0) {
        return this;
    }
    return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
    return iIndex >= 0 && iIndex < GetCount() ? m_items[iIndex] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::Add(CControlUI* pControl) {
    return AddAt(pControl, GetCount());
}

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
    if (pControl == nullptr || iIndex < 0 || iIndex > GetCount()) {
        return false;
    }
    m_items.insert(m_items.begin() + iIndex, pControl);
    if (m_pManager != nullptr) {
        m_pManager->InitControls(pControl, this);
    }
    if (IsVisible()) {
        NeedUpdate();
    } else {
        pControl->SetInternVisible(false);
    }
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    if (it == m_items.end()) {
        return false;
    }
    m_items.erase(it);
    NeedUpdate();
    delete pControl;
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) {
        delete item;
    }
    NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    for (CControlUI* item : m_items) {
        item->SetManager(pManager, this, bInit);
    }
    CControlUI::SetManager(pManager, pParent, bInit);
}

void CContainerUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) {
        return;
    }
    CControlUI::SetVisible(bVisible);
    for (CControlUI* item : m_items) {
        item->SetInternVisible(IsVisible());
    }
}

void CContainerUI::SetInternVisible(bool bVisible) {
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* item : m_items) {
        item->SetInternVisible(IsVisible());
    }
}

RECT CContainerUI::InnerRect() const {
    RECT rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    return rc;
}

void CContainerUI::PlaceFloatItems(const RECT& inner) {
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || !item->IsFloat()) {
            continue;
        }
        RECT pos = item->GetFloatPos();
        item->SetPos(RECT{inner.left + pos.left, inner.top + pos.top, inner.left + pos.right,
                          inner.top + pos.bottom});
    }
}

void CContainerUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT inner = InnerRect();
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        RECT padding = item->GetPadding();
        item->SetPos(RECT{inner.left + padding.left, inner.top + padding.top,
                          inner.right - padding.right, inner.bottom - padding.bottom});
    }
    PlaceFloatItems(inner);
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT overlap;
    if (!IntersectRect(&overlap, &rcPaint, &m_rcItem)) {
        return;
    }
    CControlUI::DoPaint(hDC, rcPaint);
    for (CControlUI* item : m_items) {
        if (item->IsVisible()) {
            item->DoPaint(hDC, overlap);
        }
    }
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    if (std::strcmp(pstrName, "inset") == 0) {
        SetInset(ParseSkinRect(pstrValue));
    } else if (std::strcmp(pstrName, "childpadding") == 0) {
        SetChildPadding(std::atoi(pstrValue));
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

void CContainerUI::SetInset(RECT rcInset) {
    m_rcInset = rcInset;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int iPadding) {
    m_iChildPadding = iPadding;
    NeedUpdate();
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, void* pData, UINT uFlags) {
    if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((uFlags & UIFIND_ENABLED) != 0 && !IsEnabled()) {
        return nullptr;
    }
    if ((uFlags & UIFIND_HITTEST) != 0 && !PtInRect(&m_rcItem, *static_cast<POINT*>(pData))) {
        return nullptr;
    }
    if ((uFlags & UIFIND_ME_FIRST) != 0) {
        if (CControlUI* me = CControlUI::FindControl(Proc, pData, uFlags)) {
            return me;
        }
    }
    if ((uFlags & UIFIND_TOP_FIRST) != 0) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControl(Proc, pData, uFlags)) {
                return found;
            }
        }
    } else {
        for (CControlUI* item : m_items) {
            if (CControlUI* found = item->FindControl(Proc, pData, uFlags)) {
                return found;
            }
        }
    }
    if ((uFlags & UIFIND_ME_FIRST) == 0) {
        return CControlUI::FindControl(Proc, pData, uFlags);
    }
    return nullptr;
}

void* CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "VerticalLayout") == 0 ? this
                                                        : CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT inner = InnerRect();
    SkinSize available{inner.right - inner.left, inner.bottom - inner.top};
    std::vector<Slot> placed;
    LONG fixedTotal = 0;
    int flexible = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        SkinSize size = item->EstimateSize(available);
        RECT padding = item->GetPadding();
        fixedTotal += size.cy + padding.top + padding.bottom;
        if (size.cy == 0) {
            ++flexible;
        }
        placed.push_back({item, size.cy});
    }
    if (!placed.empty()) {
        fixedTotal += static_cast<LONG>(placed.size() - 1) * m_iChildPadding;
    }
    LONG remaining = std::max<LONG>(0, available.cy - fixedTotal);
    LONG y = inner.top;
    int flexibleSeen = 0;
    for (const Slot& slot : placed) {
        RECT padding = slot.item->GetPadding();
        LONG height = slot.fixed;
        if (height == 0) {
            ++flexibleSeen;
            LONG share = remaining / flexible;
            height = flexibleSeen == flexible ? remaining - share * (flexible - 1) : share;
        }
        SkinSize size = slot.item->EstimateSize(available);
        LONG width = size.cx > 0 ? size.cx : available.cx - padding.left - padding.right;
        RECT pos{inner.left + padding.left, y + padding.top, inner.left + padding.left + width,
                 y + padding.top + height};
        slot.item->SetPos(pos);
        y += height + padding.top + padding.bottom + m_iChildPadding;
    }
    PlaceFloatItems(inner);
}

void* CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "HorizontalLayout") == 0 ? this
                                                          : CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT inner = InnerRect();
    SkinSize available{inner.right - inner.left, inner.bottom - inner.top};
    std::vector<Slot> placed;
    LONG fixedTotal = 0;
    int flexible = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        SkinSize size = item->EstimateSize(available);
        RECT padding = item->GetPadding();
        fixedTotal += size.cx + padding.left + padding.right;
        if (size.cx == 0) {
            ++flexible;
        }
        placed.push_back({item, size.cx});
    }
    if (!placed.empty()) {
        fixedTotal += static_cast<LONG>(placed.size() - 1) * m_iChildPadding;
    }
    LONG remaining = std::max<LONG>(0, available.cx - fixedTotal);
    LONG x = inner.left;
    int flexibleSeen = 0;
    for (const Slot& slot : placed) {
        RECT padding = slot.item->GetPadding();
        LONG width = slot.fixed;
        if (width == 0) {
            ++flexibleSeen;
            LONG share = remaining / flexible;
            width = flexibleSeen == flexible ? remaining - share * (flexible - 1) : share;
        }
        SkinSize size = slot.item->EstimateSize(available);
        LONG height = size.cy > 0 ? size.cy : available.cy - padding.top - padding.bottom;
        RECT pos{x + padding.left, inner.top + padding.top, x + padding.left + width,
                 inner.top + padding.top + height};
        slot.item->SetPos(pos);
        x += width + padding.left + padding.right + m_iChildPadding;
    }
    PlaceFloatItems(inner);
}

}  // namespace DuiLib
