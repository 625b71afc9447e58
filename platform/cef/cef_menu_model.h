// CefMenuModel: the items of a context menu (commands with labels, separators) that the
// context-menu handler edits before the menu is shown.
#pragma once

#include <vector>

#include "platform/cef/cef_base.h"
#include "platform/cef/cef_types.h"

class CefMenuModel : public virtual CefBaseRefCounted {
  public:
    static CefRefPtr<CefMenuModel> Create() { return new CefMenuModel(); }

    bool Clear();
    int GetCount() const { return static_cast<int>(items_.size()); }
    bool AddSeparator();
    bool AddItem(int commandId, const CefString& label);
    bool InsertItemAt(int index, int commandId, const CefString& label);
    // Removes the first item with the command id; false when there is none.
    bool Remove(int commandId);
    bool RemoveAt(int index);
    int GetIndexOf(int commandId) const;
    // Separators have command id -1.
    int GetCommandIdAt(int index) const;
    MenuItemType GetTypeAt(int index) const;
    CefString GetLabel(int commandId) const;
    CefString GetLabelAt(int index) const;
    bool SetLabel(int commandId, const CefString& label);
    bool SetLabelAt(int index, const CefString& label);
    bool IsEnabledAt(int index) const;
    bool SetEnabledAt(int index, bool enabled);

  private:
    struct Item {
        MenuItemType type = MENUITEMTYPE_COMMAND;
        int commandId = -1;
        CefString label;
        bool enabled = true;
    };
    bool valid(int index) const { return index >= 0 && index < GetCount(); }

    std::vector<Item> items_;

    IMPLEMENT_REFCOUNTING(CefMenuModel);
};
