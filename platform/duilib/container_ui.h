// Containers of the skin: CContainerUI (items stacked on the same rectangle), and the vertical
// and horizontal layouts that share their length between fixed and flexible items.
#pragma once

#include <vector>

#include "platform/duilib/control_ui.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
  public:
    ~CContainerUI() override;

    LPCTSTR GetClass() const override { return "ContainerUI"; }
    void* GetInterface(LPCTSTR pstrName) override;

    CControlUI* GetItemAt(int iIndex) const;
    int GetItemIndex(CControlUI* pControl) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Adding a control to a container in a window initialises it (DoInit); the container owns
    // its items and deletes them.
    virtual bool Add(CControlUI* pControl);
    virtual bool AddAt(CControlUI* pControl, int iIndex);
    virtual bool Remove(CControlUI* pControl);
    virtual void RemoveAll();

    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void SetPos(RECT rc) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    CControlUI* FindControl(FINDCONTROLPROC Proc, void* pData, UINT uFlags) override;

    RECT GetInset() const { return m_rcInset; }
    void SetInset(RECT rcInset);
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int iPadding);

  protected:
    // The client rectangle of the items (the position minus the inset).
    RECT InnerRect() const;
    // Places the floating items at their positions relative to this container.
    void PlaceFloatItems(const RECT& inner);
    // Lays the visible, non-floating items out one after another down (vertical) or across the
    // container: an item's estimated length where it gives one, the rest of the length shared
    // among the items that give none; across the line an item takes its estimated size or the
    // whole inner breadth. Then places the floating items.
    void LayoutLine(bool vertical);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset;
    int m_iChildPadding = 0;
};

class CVerticalLayoutUI : public CContainerUI {
  public:
    LPCTSTR GetClass() const override { return "VerticalLayoutUI"; }
    void* GetInterface(LPCTSTR pstrName) override;
    void SetPos(RECT rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
  public:
    LPCTSTR GetClass() const override { return "HorizontalLayoutUI"; }
    void* GetInterface(LPCTSTR pstrName) override;
    void SetPos(RECT rc) override;
};

}  // namespace DuiLib
