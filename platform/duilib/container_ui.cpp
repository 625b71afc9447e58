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

void CContainerUI::LayoutLine(bool vertical) {
    const RECT inner = InnerRect();
    const SkinSize available{inner.right - inner.left, inner.bottom - inner.top};
    auto along = [vertical](SkinSize size) { return vertical ? size.cy : size.cx; };
    auto across = [vertical](SkinSize size) { return vertical ? size.cx : size.cy; };
    auto padAlong = [vertical](const RECT& p) {
        return vertical ? p.top + p.bottom : p.left + p.right;
    };
    auto padBefore = [vertical](const RECT& p) { return vertical ? p.top : p.left; };
    auto padSide = [vertical](const RECT& p) { return vertical ? p.left : p.top; };
    auto padAcross = [vertical](const RECT& p) {
        return vertical ? p.left + p.right : p.top + p.bottom;
    };

    std::vector<Slot> placed;
    LONG fixedTotal = 0;
    int flexible = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        LONG length = along(item->EstimateSize(available));
        fixedTotal += length + padAlong(item->GetPadding());
        if (length == 0) {
            ++flexible;
        }
        placed.push_back({item, length});
    }
    if (!placed.empty()) {
        fixedTotal += static_cast<LONG>(placed.size() - 1) * m_iChildPadding;
    }
    LONG remaining = std::max<LONG>(0, along(available) - fixedTotal);
    LONG cursor = vertical ? inner.top : inner.left;
    const LONG side = vertical ? inner.left : inner.top;
    int flexibleSeen = 0;
    for (const Slot& slot : placed) {
        RECT padding = slot.item->GetPadding();
        LONG length = slot.fixed;
        if (length == 0) {
            ++flexibleSeen;
            LONG share = remaining / flexible;
            length = flexibleSeen == flexible ? remaining - share * (flexible - 1) : share;
        }
        LONG estimated = across(slot.item->EstimateSize(available));
        LONG breadth = estimated > 0 ? estimated : across(available) - padAcross(padding);
        LONG start = cursor + padBefore(padding);
        LONG edge = side + padSide(padding);
        slot.item->SetPos(vertical ? RECT{edge, start, edge + breadth, start + length}
                                   : RECT{start, edge, start + length, edge + breadth});
        cursor += length + padAlong(padding) + m_iChildPadding;
    }
    PlaceFloatItems(inner);
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
    LayoutLine(true);
}

void* CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "HorizontalLayout") == 0 ? this
                                                          : CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    LayoutLine(false);
}

}  // namespace DuiLib
