#include "app/bridge_router.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "platform/win32/debug_output.h"
#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

const std::u16string& Arg(const std::vector<std::u16string>& args, size_t index) {
    static const std::u16string empty;
    return index < args.size() ? args[index] : empty;
}

std::string ArgUtf8(const std::vector<std::u16string>& args, size_t index) {
    return WideToUtf8(Arg(args, index));
}

std::string ArgAnsi(const std::vector<std::u16string>& args, size_t index) {
    const std::u16string& arg = Arg(args, index);
    return WideToAnsi(arg.data(), arg.size());
}

// Posts an owned payload; when the post fails the payload is freed here.
template <typename Payload>
void PostOwned(HWND host, UINT message, WPARAM wParam, Payload* payload) {
    if (!PostMessageA(host, message, wParam, reinterpret_cast<LPARAM>(payload))) {
        delete payload;
    }
}

}  // namespace

int AtoiRule(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return static_cast<int>(negative ? 0u - value : value);
}

bool RouteBridgeCall(HWND host, bool fromRenderer, const std::string& name,
                     const std::vector<std::u16string>& args) {
    if (!fromRenderer) {
        return false;
    }
    if (name == "resizeCefWnd") {
        int width = AtoiRule(ArgUtf8(args, 0));
        int height = AtoiRule(ArgUtf8(args, 1));
        // A page may ask for any size; the engine's buffers grow with it, so it is held to the
        // screen (a size of gigabytes ended the program).
        SIZE most;
        if (GetWindowMaxSize(host, &most) &&
            (width > most.cx || height > most.cy || width < 0 || height < 0)) {
            width = std::clamp<int>(width, 0, most.cx);
            height = std::clamp<int>(height, 0, most.cy);
            OutputDebugStringA(("resizeCefWnd clamped to " + std::to_string(width) + " x " +
                                std::to_string(height) + "\n")
                                   .c_str());
        }
        RECT rect;
        if (GetWindowRect(host, &rect)) {
            MoveWindow(host, rect.left, rect.top, width, height, TRUE);
        }
    } else if (name == "changeTitle") {
        PostOwned(host, WM_H5_CHANGE_TITLE, 0, new std::string(ArgAnsi(args, 0)));
    } else if (name == "queryOrvexInfo") {
        int type = AtoiRule(ArgUtf8(args, 0));
        PostOwned(host, WM_H5_QUERY_INFO, static_cast<WPARAM>(static_cast<intptr_t>(type)),
                  new std::string(ArgUtf8(args, 1)));
    } else if (name == "IssuedConfigToCameras") {
        PostOwned(host, WM_H5_ISSUED_CONFIG, 0,
                  new IssueRequest{ArgUtf8(args, 0), ArgUtf8(args, 1)});
    } else if (name == "IssuedSingleCfgToCameras") {
        PostOwned(host, WM_H5_ISSUED_SINGLE_CONFIG, 0,
                  new IssueRequest{ArgUtf8(args, 0), ArgUtf8(args, 1)});
    } else if (name == "IssuedConfigName") {
        PostOwned(host, WM_H5_CONFIG_NAME, 0, new std::string(ArgAnsi(args, 0)));
    } else if (name == "CheckDevPassword") {
        PostOwned(host, WM_H5_CHECK_PASSWORD, 0, new std::string(ArgUtf8(args, 0)));
    }
    // The seven media names and any other name are consumed without effect.
    return true;
}

}  // namespace orvex
