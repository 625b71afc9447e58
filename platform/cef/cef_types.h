// The plain types of the browser library API: process and thread ids, rectangles, input events
// and their flags, drag operations, cursor types, error codes and the menu's ids and flags.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/qt/win_user.h"

using CefWindowHandle = HWND;
using CefCursorHandle = HCURSOR;
// The native event behind a key event: the Qt key event (null for a synthetic one).
using CefEventHandle = void*;

enum CefProcessId { PID_BROWSER, PID_RENDERER };

enum CefThreadId { TID_UI, TID_RENDERER };

struct CefRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    CefRect() = default;
    CefRect(int x, int y, int width, int height) : x(x), y(y), width(width), height(height) {}
    void Set(int nx, int ny, int nwidth, int nheight) {
        x = nx;
        y = ny;
        width = nwidth;
        height = nheight;
    }
    bool operator==(const CefRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

enum cef_event_flags_t : uint32_t {
    EVENTFLAG_NONE = 0,
    EVENTFLAG_CAPS_LOCK_ON = 1 << 0,
    EVENTFLAG_SHIFT_DOWN = 1 << 1,
    EVENTFLAG_CONTROL_DOWN = 1 << 2,
    EVENTFLAG_ALT_DOWN = 1 << 3,
    EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
    EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
    EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
    EVENTFLAG_COMMAND_DOWN = 1 << 7,
    EVENTFLAG_NUM_LOCK_ON = 1 << 8,
    EVENTFLAG_IS_KEY_PAD = 1 << 9,
    EVENTFLAG_IS_LEFT = 1 << 10,
    EVENTFLAG_IS_RIGHT = 1 << 11,
};

enum cef_key_event_type_t {
    KEYEVENT_RAWKEYDOWN = 0,
    KEYEVENT_KEYDOWN,
    KEYEVENT_KEYUP,
    KEYEVENT_CHAR
};

struct CefKeyEvent {
    cef_key_event_type_t type = KEYEVENT_RAWKEYDOWN;
    uint32_t modifiers = 0;
    int windows_key_code = 0;
    int native_key_code = 0;
    int is_system_key = 0;
    char16_t character = 0;
    char16_t unmodified_character = 0;
    int focus_on_editable_field = 0;
};

struct CefMouseEvent {
    int x = 0;
    int y = 0;
    uint32_t modifiers = 0;
};

enum cef_mouse_button_type_t { MBT_LEFT = 0, MBT_MIDDLE, MBT_RIGHT };
using MouseButtonType = cef_mouse_button_type_t;

enum cef_paint_element_type_t { PET_VIEW = 0, PET_POPUP };
using PaintElementType = cef_paint_element_type_t;

enum cef_drag_operations_mask_t : uint32_t {
    DRAG_OPERATION_NONE = 0,
    DRAG_OPERATION_COPY = 1,
    DRAG_OPERATION_LINK = 2,
    DRAG_OPERATION_GENERIC = 4,
    DRAG_OPERATION_PRIVATE = 8,
    DRAG_OPERATION_MOVE = 16,
    DRAG_OPERATION_DELETE = 32,
    DRAG_OPERATION_EVERY = UINT32_MAX,
};
using DragOperationsMask = cef_drag_operations_mask_t;

enum cef_cursor_type_t {
    CT_POINTER = 0,
    CT_CROSS,
    CT_HAND,
    CT_IBEAM,
    CT_WAIT,
    CT_HELP,
    CT_EASTRESIZE,
    CT_NORTHRESIZE,
    CT_NORTHEASTRESIZE,
    CT_NORTHWESTRESIZE,
    CT_SOUTHRESIZE,
    CT_SOUTHEASTRESIZE,
    CT_SOUTHWESTRESIZE,
    CT_WESTRESIZE,
    CT_NORTHSOUTHRESIZE,
    CT_EASTWESTRESIZE,
    CT_NORTHEASTSOUTHWESTRESIZE,
    CT_NORTHWESTSOUTHEASTRESIZE,
    CT_COLUMNRESIZE,
    CT_ROWRESIZE,
    CT_MIDDLEPANNING,
    CT_EASTPANNING,
    CT_NORTHPANNING,
    CT_NORTHEASTPANNING,
    CT_NORTHWESTPANNING,
    CT_SOUTHPANNING,
    CT_SOUTHEASTPANNING,
    CT_SOUTHWESTPANNING,
    CT_WESTPANNING,
    CT_MOVE,
    CT_VERTICALTEXT,
    CT_CELL,
    CT_CONTEXTMENU,
    CT_ALIAS,
    CT_PROGRESS,
    CT_NODROP,
    CT_COPY,
    CT_NONE,
    CT_NOTALLOWED,
    CT_ZOOMIN,
    CT_ZOOMOUT,
    CT_GRAB,
    CT_GRABBING,
    CT_CUSTOM,
};
using CursorType = cef_cursor_type_t;

struct CefCursorInfo {
    int hotspot_x = 0;
    int hotspot_y = 0;
    float image_scale_factor = 1.0f;
    const void* buffer = nullptr;
    int width = 0;
    int height = 0;
};

// Network error codes reported by load errors (negative).
enum cef_errorcode_t : int {
    ERR_NONE = 0,
    ERR_FAILED = -2,
    ERR_ABORTED = -3,
    ERR_CONNECTION_REFUSED = -102,
    ERR_NAME_NOT_RESOLVED = -105,
};
using ErrorCode = cef_errorcode_t;

// Context menu: what was clicked, the edit state, item types and the standard command ids.
enum cef_context_menu_type_flags_t : int {
    CM_TYPEFLAG_NONE = 0,
    CM_TYPEFLAG_PAGE = 1 << 0,
    CM_TYPEFLAG_FRAME = 1 << 1,
    CM_TYPEFLAG_LINK = 1 << 2,
    CM_TYPEFLAG_MEDIA = 1 << 3,
    CM_TYPEFLAG_SELECTION = 1 << 4,
    CM_TYPEFLAG_EDITABLE = 1 << 5,
};
using TypeFlags = cef_context_menu_type_flags_t;

enum cef_context_menu_edit_state_flags_t : int {
    CM_EDITFLAG_NONE = 0,
    CM_EDITFLAG_CAN_UNDO = 1 << 0,
    CM_EDITFLAG_CAN_REDO = 1 << 1,
    CM_EDITFLAG_CAN_CUT = 1 << 2,
    CM_EDITFLAG_CAN_COPY = 1 << 3,
    CM_EDITFLAG_CAN_PASTE = 1 << 4,
    CM_EDITFLAG_CAN_DELETE = 1 << 5,
    CM_EDITFLAG_CAN_SELECT_ALL = 1 << 6,
};

enum cef_menu_item_type_t {
    MENUITEMTYPE_NONE,
    MENUITEMTYPE_COMMAND,
    MENUITEMTYPE_CHECK,
    MENUITEMTYPE_RADIO,
    MENUITEMTYPE_SEPARATOR,
    MENUITEMTYPE_SUBMENU,
};
using MenuItemType = cef_menu_item_type_t;

enum cef_menu_id_t : int {
    MENU_ID_BACK = 100,
    MENU_ID_FORWARD = 101,
    MENU_ID_RELOAD = 102,
    MENU_ID_RELOAD_NOCACHE = 103,
    MENU_ID_STOPLOAD = 104,
    MENU_ID_UNDO = 110,
    MENU_ID_REDO = 111,
    MENU_ID_CUT = 112,
    MENU_ID_COPY = 113,
    MENU_ID_PASTE = 114,
    MENU_ID_DELETE = 115,
    MENU_ID_SELECT_ALL = 116,
    MENU_ID_FIND = 130,
    MENU_ID_PRINT = 131,
    MENU_ID_VIEW_SOURCE = 132,
    // The engine's other standard items (save page, open or copy link, inspect, ...) carry
    // MENU_ID_ENGINE_FIRST plus the engine's own action number.
    MENU_ID_ENGINE_FIRST = 300,
    MENU_ID_USER_FIRST = 26500,
    MENU_ID_USER_LAST = 28500,
};

enum cef_v8_propertyattribute_t {
    V8_PROPERTY_ATTRIBUTE_NONE = 0,
    V8_PROPERTY_ATTRIBUTE_READONLY = 1 << 0,
    V8_PROPERTY_ATTRIBUTE_DONTENUM = 1 << 1,
    V8_PROPERTY_ATTRIBUTE_DONTDELETE = 1 << 2,
};
using PropertyAttribute = cef_v8_propertyattribute_t;
