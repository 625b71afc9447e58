// CDialogBuilder: builds a control tree from a skin layout (XML): the window's attributes
// (size, caption, size box, minimum size) go to the paint manager, every element becomes a
// control of its class, and classes the builder does not know are asked of the callback.
#pragma once

#include "platform/duilib/control_ui.h"

namespace DuiLib {

class CDialogBuilder {
  public:
    // `xml` is a file name under the resource path, or the layout text itself when it starts
    // with '<'. Returns the root control (owned by the caller until attached), or null when the
    // layout cannot be read. GUI thread.
    CControlUI* Create(LPCTSTR xml, LPCTSTR type = nullptr,
                       IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);

    // The control of a known class name ("Control", "Container", "VerticalLayout",
    // "HorizontalLayout", "TabLayout", "Label", "Text", "Button"), or null.
    static CControlUI* CreateKnownControl(const CDuiString& className);
};

}  // namespace DuiLib
