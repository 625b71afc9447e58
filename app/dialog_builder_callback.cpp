#include "app/dialog_builder_callback.h"

#include <strings.h>

#include "cef3/control/cef_common.h"

DuiLib::CControlUI* CDialogBuilderCallbackEx::CreateControl(DuiLib::LPCTSTR pstrClass,
                                                            DuiLib::CPaintManagerUI* pManager) {
    if (pstrClass != nullptr && strcasecmp(pstrClass, "CefBrowser") == 0) {
        return new CCefCommonUI(pManager);
    }
    return nullptr;
}
