#include "platform/cef/cef_menu_model.h"

bool CefMenuModel::Clear() {
    items_.clear();
    return true;
}

bool CefMenuModel::AddSeparator() {
    items_.push_back(Item{MENUITEMTYPE_SEPARATOR, -1, CefString(), true});
    return true;
}

bool CefMenuModel::AddItem(int commandId, const CefString& label) {
    items_.push_back(Item{MENUITEMTYPE_COMMAND, commandId, label, true});
    return true;
}

bool CefMenuModel::InsertItemAt(int index, int commandId, const CefString& label) {
    if (index < 0 || index > GetCount()) {
        return false;
    }
    items_.insert(items_.begin() + index, Item{MENUITEMTYPE_COMMAND, commandId, label, true});
    return true;
}

bool CefMenuModel::Remove(int commandId) {
    return RemoveAt(GetIndexOf(commandId));
}

bool CefMenuModel::RemoveAt(int index) {
    if (!valid(index)) {
        return false;
    }
    items_.erase(items_.begin() + index);
    return true;
}

int CefMenuModel::GetIndexOf(int commandId) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (items_[i].type != MENUITEMTYPE_SEPARATOR && items_[i].commandId == commandId) {
            return i;
        }
    }
    return -1;
}

int CefMenuModel::GetCommandIdAt(int index) const {
    return valid(index) ? items_[index].commandId : -1;
}

MenuItemType CefMenuModel::GetTypeAt(int index) const {
    return valid(index) ? items_[index].type : MENUITEMTYPE_NONE;
}

CefString CefMenuModel::GetLabel(int commandId) const {
    return GetLabelAt(GetIndexOf(commandId));
}

CefString CefMenuModel::GetLabelAt(int index) const {
    return valid(index) ? items_[index].label : CefString();
}

bool CefMenuModel::SetLabel(int commandId, const CefString& label) {
    return SetLabelAt(GetIndexOf(commandId), label);
}

bool CefMenuModel::SetLabelAt(int index, const CefString& label) {
    if (!valid(index) || items_[index].type == MENUITEMTYPE_SEPARATOR) {
        return false;
    }
    items_[index].label = label;
    return true;
}

bool CefMenuModel::IsEnabledAt(int index) const {
    return valid(index) && items_[index].enabled;
}

bool CefMenuModel::SetEnabledAt(int index, bool enabled) {
    if (!valid(index)) {
        return false;
    }
    items_[index].enabled = enabled;
    return true;
}
