#include "platform/duilib/control_ui.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <cstring>

#include "platform/duilib/paint_manager_ui.h"
#include "platform/win32/qt/qt_window.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager != nullptr) {
        m_pManager->ReapObjects(this);
    }
}

void CControlUI::SetName(LPCTSTR pstrName) {
    CDuiString old = m_sName;
    m_sName = pstrName != nullptr ? pstrName : "";
    if (m_pManager != nullptr) {
        m_pManager->RenameControl(this, old);
    }
}

void* CControlUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "Control") == 0 ? this : nullptr;
}

bool CControlUI::Activate() {
    if (!IsVisible() || !IsEnabled()) {
        return false;
    }
    if (m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
    }
    return true;
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    m_pManager = pManager;
    m_pParent = pParent;
    if (bInit && m_pParent != nullptr) {
        Init();
    }
}

void CControlUI::SetText(LPCTSTR pstrText) {
    CDuiString text = pstrText != nullptr ? pstrText : "";
    if (m_sText == text) {
        return;
    }
    m_sText = text;
    Invalidate();
}

void CControlUI::SetBkColor(DWORD dwBackColor) {
    m_dwBackColor = dwBackColor;
    Invalidate();
}

void CControlUI::SetBkImage(LPCTSTR pStrImage) {
    m_sBkImage = pStrImage != nullptr ? pStrImage : "";
    Invalidate();
}

void CControlUI::SetPos(RECT rc) {
    if (rc.right < rc.left) {
        rc.right = rc.left;
    }
    if (rc.bottom < rc.top) {
        rc.bottom = rc.top;
    }
    RECT old = m_rcItem;
    m_rcItem = rc;
    m_bUpdateNeeded = false;
    if (m_pManager != nullptr) {
        m_pManager->Invalidate(old);
        m_pManager->Invalidate(m_rcItem);
    }
}

void CControlUI::SetPadding(RECT rcPadding) {
    m_rcPadding = rcPadding;
    NeedParentUpdate();
}

SkinSize CControlUI::EstimateSize(SkinSize) {
    return m_cxyFixed;
}

void CControlUI::SetFixedWidth(int cx) {
    m_cxyFixed.cx = cx < 0 ? 0 : cx;
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    m_cxyFixed.cy = cy < 0 ? 0 : cy;
    NeedParentUpdate();
}

void CControlUI::SetFloat(bool bFloat) {
    m_bFloat = bFloat;
    NeedParentUpdate();
}

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) {
        return;
    }
    bool wasVisible = IsVisible();
    m_bVisible = bVisible;
    if (m_bFocused) {
        m_bFocused = false;
    }
    if (!bVisible && m_pManager != nullptr && m_pManager->GetFocus() == this) {
        m_pManager->SetFocus(nullptr);
    }
    if (IsVisible() != wasVisible) {
        NeedParentUpdate();
    }
}

void CControlUI::SetInternVisible(bool bVisible) {
    m_bInternVisible = bVisible;
    if (!bVisible && m_pManager != nullptr && m_pManager->GetFocus() == this) {
        m_pManager->SetFocus(nullptr);
    }
}

void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable) {
        return;
    }
    m_bEnabled = bEnable;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_pManager != nullptr) {
        m_pManager->SetFocus(this);
    }
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, void* pData, UINT uFlags) {
    if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((uFlags & UIFIND_ENABLED) != 0 && !IsEnabled()) {
        return nullptr;
    }
    if ((uFlags & UIFIND_HITTEST) != 0 &&
        (!IsMouseEnabled() || !PtInRect(&m_rcItem, *static_cast<POINT*>(pData)))) {
        return nullptr;
    }
    return Proc(this, pData);
}

void CControlUI::Invalidate() {
    if (IsVisible() && m_pManager != nullptr) {
        m_pManager->Invalidate(m_rcItem);
    }
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) {
        return;
    }
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager != nullptr) {
        m_pManager->NeedUpdate();
    }
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent != nullptr) {
        m_pParent->NeedUpdate();
        m_pParent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_pManager != nullptr) {
        m_pManager->NeedUpdate();
    }
}

void CControlUI::Init() {
    if (m_bInited) {
        return;
    }
    m_bInited = true;
    DoInit();
}

void CControlUI::Event(TEventUI& event) {
    DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_SETFOCUS:
            m_bFocused = true;
            Invalidate();
            return;
        case UIEVENT_KILLFOCUS:
            m_bFocused = false;
            Invalidate();
            return;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
        case UIEVENT_TIMER:
            return;
        default:
            break;
    }
    if (m_pParent != nullptr) {
        m_pParent->DoEvent(event);
    }
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    CDuiString name = pstrName;
    CDuiString value = pstrValue != nullptr ? pstrValue : "";
    if (name == "name") {
        SetName(value.c_str());
    } else if (name == "text") {
        SetText(value.c_str());
    } else if (name == "pos") {
        m_rcFloat = ParseSkinRect(value);
        m_cxyFixed.cx = m_rcFloat.right - m_rcFloat.left;
        m_cxyFixed.cy = m_rcFloat.bottom - m_rcFloat.top;
        NeedParentUpdate();
    } else if (name == "float") {
        SetFloat(ParseSkinBool(value));
    } else if (name == "padding") {
        SetPadding(ParseSkinRect(value));
    } else if (name == "width") {
        SetFixedWidth(std::atoi(value.c_str()));
    } else if (name == "height") {
        SetFixedHeight(std::atoi(value.c_str()));
    } else if (name == "bkcolor") {
        SetBkColor(ParseSkinColor(value));
    } else if (name == "bordercolor") {
        m_dwBorderColor = ParseSkinColor(value);
    } else if (name == "bordersize") {
        m_nBorderSize = std::atoi(value.c_str());
    } else if (name == "bkimage") {
        SetBkImage(value.c_str());
    } else if (name == "visible") {
        SetVisible(ParseSkinBool(value));
    } else if (name == "enabled") {
        SetEnabled(ParseSkinBool(value));
    } else if (name == "mouse") {
        SetMouseEnabled(ParseSkinBool(value));
    }
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT overlap;
    if (!IntersectRect(&overlap, &rcPaint, &m_rcItem)) {
        return;
    }
    QPainter* painter = orvex::PainterFromDC(hDC);
    painter->save();
    painter->setClipRect(QRect(overlap.left, overlap.top, overlap.right - overlap.left,
                               overlap.bottom - overlap.top),
                         Qt::IntersectClip);
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
    painter->restore();
}

void CControlUI::PaintBkColor(HDC hDC) {
    if (m_dwBackColor == 0) {
        return;
    }
    orvex::PainterFromDC(hDC)->fillRect(QRect(m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight()),
                                        QColor::fromRgba(m_dwBackColor));
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (!m_sBkImage.empty()) {
        DrawImage(hDC, m_sBkImage);
    }
}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_nBorderSize <= 0 || m_dwBorderColor == 0) {
        return;
    }
    QPainter* painter = orvex::PainterFromDC(hDC);
    QPen pen(QColor::fromRgba(m_dwBorderColor), m_nBorderSize);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    qreal half = m_nBorderSize / 2.0;
    painter->drawRect(QRectF(m_rcItem.left + half, m_rcItem.top + half, GetWidth() - m_nBorderSize,
                             GetHeight() - m_nBorderSize));
}

bool CControlUI::DrawImage(HDC hDC, const CDuiString& image) {
    if (m_pManager == nullptr) {
        return false;
    }
    SkinImage description = ParseSkinImage(image);
    const QImage* picture = m_pManager->GetImage(description.file);
    if (picture == nullptr) {
        return false;
    }
    QRect target(m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight());
    if (description.dest) {
        const RECT& d = *description.dest;
        target =
            QRect(m_rcItem.left + d.left, m_rcItem.top + d.top, d.right - d.left, d.bottom - d.top);
    }
    QRect source = picture->rect();
    if (description.source) {
        const RECT& s = *description.source;
        source = QRect(s.left, s.top, s.right - s.left, s.bottom - s.top);
    }
    orvex::PainterFromDC(hDC)->drawImage(target, *picture, source);
    return true;
}

}  // namespace DuiLib
