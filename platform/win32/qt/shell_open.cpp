#include "platform/win32/qt/shell_open.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstring>

#include "support/gui_thread.h"

HINSTANCE ShellExecuteA(HWND, const char* operation, const char* file, const char*, const char*,
                        int) {
    ORVEX_ASSERT_GUI_THREAD();
    bool open = operation == nullptr || std::strcmp(operation, "open") == 0;
    QUrl url(QString::fromUtf8(file != nullptr ? file : ""), QUrl::StrictMode);
    if (!open || !url.isValid() || !QDesktopServices::openUrl(url)) {
        return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(SE_ERR_NOASSOC));
    }
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
}
