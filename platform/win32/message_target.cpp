#include "platform/win32/message_target.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace orvex {
namespace {

// The handle table. Targets are shared so a post in flight keeps its target alive while the
// window unregisters; calls into a target are made without the table lock held.
struct HandleTable {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<MessageTarget>> targets;
    uintptr_t next = 0x10000;
};

HandleTable& table() {
    static HandleTable* instance = new HandleTable;  // lives until the process ends
    return *instance;
}

std::shared_ptr<MessageTarget> lookup(HWND hwnd) {
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.targets.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == t.targets.end() ? nullptr : it->second;
}

}  // namespace

HWND RegisterWindow(std::shared_ptr<MessageTarget> target) {
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    uintptr_t handle = t.next;
    t.next += 4;
    t.targets[handle] = std::move(target);
    return reinterpret_cast<HWND>(handle);
}

void UnregisterWindow(HWND hwnd) {
    std::shared_ptr<MessageTarget> released;
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.targets.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it != t.targets.end()) {
        released = std::move(it->second);
        t.targets.erase(it);
    }
}

}  // namespace orvex

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<orvex::MessageTarget> target = orvex::lookup(hwnd);
    if (!target) {
        return FALSE;
    }
    target->Post(message, wParam, lParam);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return orvex::lookup(hwnd) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    std::shared_ptr<orvex::MessageTarget> target = orvex::lookup(hwnd);
    return target && rect != nullptr && target->GetRect(rect) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    std::shared_ptr<orvex::MessageTarget> target = orvex::lookup(hwnd);
    return target && target->Move(x, y, width, height, repaint != FALSE) ? TRUE : FALSE;
}

BOOL GetWindowMaxSize(HWND hwnd, SIZE* size) {
    std::shared_ptr<orvex::MessageTarget> target = orvex::lookup(hwnd);
    if (!target || size == nullptr) {
        return FALSE;
    }
    *size = target->MaxSize();
    return TRUE;
}
