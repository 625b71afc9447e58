#include "platform/duilib/button_ui.h"

#include <cstring>

namespace DuiLib {

void* CButtonUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "Button") == 0 ? this : CLabelUI::GetInterface(pstrName);
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
                m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                if (PtInRect(&m_rcItem, event.ptMouse)) {
                    m_uButtonState |= UISTATE_PUSHED;
                } else {
                    m_uButtonState &= ~UISTATE_PUSHED;
                }
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (PtInRect(&m_rcItem, event.ptMouse)) {
                    Activate();
                }
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_uButtonState |= UISTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            return;
        default:
            CLabelUI::DoEvent(event);
    }
}

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    CDuiString name = pstrName;
    CDuiString value = pstrValue != nullptr ? pstrValue : "";
    if (name == "normalimage") {
        m_sNormalImage = value;
    } else if (name == "hotimage") {
        m_sHotImage = value;
    } else if (name == "pushedimage") {
        m_sPushedImage = value;
    } else if (name == "disabledimage") {
        m_sDisabledImage = value;
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
        return;
    }
    Invalidate();
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    if (!IsEnabled() && !m_sDisabledImage.empty() && DrawImage(hDC, m_sDisabledImage)) {
        return;
    }
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.empty() &&
        DrawImage(hDC, m_sPushedImage)) {
        return;
    }
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.empty() && DrawImage(hDC, m_sHotImage)) {
        return;
    }
    if (!m_sNormalImage.empty()) {
        DrawImage(hDC, m_sNormalImage);
    }
}

}  // namespace DuiLib
