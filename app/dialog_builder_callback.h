// CDialogBuilderCallbackEx: makes the skin's "CefBrowser" elements into browser controls.
#pragma once

#include "platform/duilib/dialog_builder.h"

class CDialogBuilderCallbackEx : public DuiLib::IDialogBuilderCallback {
  public:
    // A new CCefCommonUI for the class "CefBrowser" (any letter case); null for every other
    // class, which the builder then makes itself. GUI thread, while the skin is built.
    DuiLib::CControlUI* CreateControl(DuiLib::LPCTSTR pstrClass,
                                      DuiLib::CPaintManagerUI* pManager) override;
};
