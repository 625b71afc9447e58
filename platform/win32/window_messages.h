// The program's own window messages to the main window, and the records some of them carry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win_types.h"

namespace orvex {

constexpr UINT WM_STUDIO_CONNECTED = WM_USER + 100;
constexpr UINT WM_H5_QUERY_INFO = WM_USER + 101;
constexpr UINT WM_H5_CHANGE_TITLE = WM_USER + 102;
constexpr UINT WM_H5_ISSUED_CONFIG = WM_USER + 103;
constexpr UINT WM_PAGE_LOAD_END = WM_USER + 104;
constexpr UINT WM_H5_ISSUED_SINGLE_CONFIG = WM_USER + 105;
constexpr UINT WM_H5_CONFIG_NAME = WM_USER + 106;
constexpr UINT WM_H5_CHECK_PASSWORD = WM_USER + 107;
constexpr UINT WM_STUDIO_QUIT = WM_USER + 108;
constexpr UINT WM_PAGE_LOAD_ERROR = WM_USER + 109;
constexpr UINT WM_DOWNLOAD_END = WM_USER + 110;

// Payload of WM_PAGE_LOAD_END (heap-allocated by the sender, freed by the main window).
struct PageLoadEnd {
    std::string url;
    int32_t httpStatusCode = 404;
};

// Payload of WM_PAGE_LOAD_ERROR.
struct PageLoadError {
    std::string url;
    int32_t errorCode = 0;
    std::string errorText;
};

// Payload of WM_DOWNLOAD_END: a download the page started has ended.
struct DownloadEnd {
    std::string fileName;  // the name the page gave (UTF-8)
    std::string path;      // where it was saved; empty when it was not saved
    bool saved = false;
};

}  // namespace orvex
