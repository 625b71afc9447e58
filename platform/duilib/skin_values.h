// Parsing of skin attribute values: rectangles "l,t,r,b", sizes "cx,cy", colours "#AARRGGBB"
// or "0xAARRGGBB", booleans "true", and image descriptions "file='x.png' source='..' dest='..'"
// or a plain file name.
#pragma once

#include <optional>

#include "platform/duilib/ui_base.h"

namespace DuiLib {

struct SkinSize {
    LONG cx = 0;
    LONG cy = 0;
};

struct SkinImage {
    CDuiString file;
    std::optional<RECT> source;  // part of the image file
    std::optional<RECT> dest;    // part of the control, relative to its top-left corner
};

// Missing numbers read as 0; extra ones are ignored.
RECT ParseSkinRect(const CDuiString& value);
SkinSize ParseSkinSize(const CDuiString& value);
// 0xAARRGGBB; an absent alpha ("#RRGGBB") means opaque.
DWORD ParseSkinColor(const CDuiString& value);
bool ParseSkinBool(const CDuiString& value);
// Empty file name when the description names none.
SkinImage ParseSkinImage(const CDuiString& value);

}  // namespace DuiLib
