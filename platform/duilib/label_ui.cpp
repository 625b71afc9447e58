#include "platform/duilib/label_ui.h"

#include <QPainter>
#include <cstdlib>
#include <cstring>

#include "platform/win32/qt/qt_window.h"
#include "support/text_conversion.h"

namespace DuiLib {

void* CLabelUI::GetInterface(LPCTSTR pstrName) {
    return std::strcmp(pstrName, "Label") == 0 ? this : CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextColor(DWORD dwTextColor) {
    m_dwTextColor = dwTextColor;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT rc) {
    m_rcTextPadding = rc;
    Invalidate();
}

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    CDuiString name = pstrName;
    CDuiString value = pstrValue != nullptr ? pstrValue : "";
    if (name == "textcolor") {
        SetTextColor(ParseSkinColor(value));
    } else if (name == "disabledtextcolor") {
        m_dwDisabledTextColor = ParseSkinColor(value);
    } else if (name == "textpadding") {
        SetTextPadding(ParseSkinRect(value));
    } else if (name == "fontsize") {
        m_iFontSize = std::atoi(value.c_str());
    } else if (name == "bold") {
        m_bFontBold = ParseSkinBool(value);
    } else if (name == "align") {
        int horizontal = Qt::AlignLeft;
        if (value.find("center") != CDuiString::npos) {
            horizontal = Qt::AlignHCenter;
        } else if (value.find("right") != CDuiString::npos) {
            horizontal = Qt::AlignRight;
        }
        m_uTextStyle = (m_uTextStyle & ~static_cast<int>(Qt::AlignHorizontal_Mask)) | horizontal;
    } else if (name == "valign") {
        int vertical = Qt::AlignVCenter;
        if (value.find("top") != CDuiString::npos) {
            vertical = Qt::AlignTop;
        } else if (value.find("bottom") != CDuiString::npos) {
            vertical = Qt::AlignBottom;
        }
        m_uTextStyle = (m_uTextStyle & ~static_cast<int>(Qt::AlignVertical_Mask)) | vertical;
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

void CLabelUI::PaintText(HDC hDC) {
    if (m_sText.empty()) {
        return;
    }
    QPainter* painter = orvex::PainterFromDC(hDC);
    QRect area(m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               GetWidth() - m_rcTextPadding.left - m_rcTextPadding.right,
               GetHeight() - m_rcTextPadding.top - m_rcTextPadding.bottom);
    QFont font = painter->font();
    if (m_iFontSize > 0) {
        font.setPixelSize(m_iFontSize);
    }
    font.setBold(m_bFontBold);
    painter->setFont(font);
    painter->setPen(QColor::fromRgba(IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor));
    QString text = QString::fromStdString(orvex::AnsiToUtf8(m_sText.c_str()));
    QString shown = painter->fontMetrics().elidedText(text, Qt::ElideRight, area.width());
    painter->drawText(area, m_uTextStyle | Qt::TextSingleLine, shown);
}

}  // namespace DuiLib
