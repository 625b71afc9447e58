// ShellExecuteA's "open" verb: hands an address to the desktop's default handler (for http and
// https, the user's web browser), through Qt's desktop services (xdg-open on Linux).
#pragma once

#include "platform/win32/qt/win_user.h"

// Opens `file` (an address) with its default handler. `operation` must be null or "open";
// parameters and directory are not used. Returns a value above 32 when the handler was
// started, otherwise SE_ERR_NOASSOC (31). GUI thread.
HINSTANCE ShellExecuteA(HWND hwnd, const char* operation, const char* file, const char* parameters,
                        const char* directory, int showCommand);

constexpr int SE_ERR_NOASSOC = 31;
