// The page-to-native routing of bridge calls: the fourteen function names and what each call
// becomes (a posted window message with its payload, a window resize, or nothing).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/win_types.h"

namespace orvex {

// The functions bound on the page's window object, in their fixed order.
inline constexpr std::array<std::string_view, 14> BridgeFunctionNames = {"PlayRecord",
                                                                         "PauseRecord",
                                                                         "StopRecord",
                                                                         "PlayWord",
                                                                         "StopWord",
                                                                         "PauseWord",
                                                                         "ReturnChoose",
                                                                         "changeTitle",
                                                                         "resizeCefWnd",
                                                                         "queryOrvexInfo",
                                                                         "IssuedConfigToCameras",
                                                                         "IssuedSingleCfgToCameras",
                                                                         "IssuedConfigName",
                                                                         "CheckDevPassword"};

// The payload of WM_H5_ISSUED_CONFIG and WM_H5_ISSUED_SINGLE_CONFIG (UTF-8 texts).
struct IssueRequest {
    std::string cameras;
    std::string config;
};

// The C atoi rule: leading white space, an optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond 32 bits wrap. Any thread.
int AtoiRule(const std::string& text);

// Routes one bridge call. `fromRenderer` says whether the message came from the render process;
// `args` are the call's arguments as UTF-16 texts (a missing one reads as empty). Posts to
// `host` (the window hosting the browser control) and returns true when the call is consumed;
// false for a message that did not come from the render process. Payloads posted are owned by
// the receiver: std::string* for texts, IssueRequest* for issues; a failed post frees them.
// Called on the GUI thread (it resizes `host` directly).
bool RouteBridgeCall(HWND host, bool fromRenderer, const std::string& name,
                     const std::vector<std::u16string>& args);

}  // namespace orvex
