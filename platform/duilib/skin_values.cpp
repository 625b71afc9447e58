#include "platform/duilib/skin_values.h"

#include <cstdlib>
#include <vector>

namespace DuiLib {
namespace {

std::vector<long> numbers(const CDuiString& value) {
    std::vector<long> out;
    const char* p = value.c_str();
    while (*p != '\0') {
        char* end = nullptr;
        long n = std::strtol(p, &end, 10);
        if (end == p) {
            ++p;
            continue;
        }
        out.push_back(n);
        p = end;
    }
    return out;
}

// The value of key='...' inside an image description; empty when absent.
CDuiString quoted(const CDuiString& value, const char* key) {
    CDuiString pattern = CDuiString(key) + "='";
    size_t start = value.find(pattern);
    if (start == CDuiString::npos) {
        return CDuiString();
    }
    start += pattern.size();
    size_t end = value.find('\'', start);
    return value.substr(start, end == CDuiString::npos ? CDuiString::npos : end - start);
}

}  // namespace

RECT ParseSkinRect(const CDuiString& value) {
    std::vector<long> n = numbers(value);
    n.resize(4, 0);
    return RECT{static_cast<LONG>(n[0]), static_cast<LONG>(n[1]), static_cast<LONG>(n[2]),
                static_cast<LONG>(n[3])};
}

SkinSize ParseSkinSize(const CDuiString& value) {
    std::vector<long> n = numbers(value);
    n.resize(2, 0);
    return SkinSize{static_cast<LONG>(n[0]), static_cast<LONG>(n[1])};
}

DWORD ParseSkinColor(const CDuiString& value) {
    CDuiString digits = value;
    if (!digits.empty() && digits[0] == '#') {
        digits.erase(0, 1);
    } else if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
    }
    DWORD color = static_cast<DWORD>(std::strtoul(digits.c_str(), nullptr, 16));
    return digits.size() <= 6 ? (color | 0xFF000000u) : color;
}

bool ParseSkinBool(const CDuiString& value) {
    return value == "true";
}

SkinImage ParseSkinImage(const CDuiString& value) {
    SkinImage image;
    if (value.find('=') == CDuiString::npos) {
        image.file = value;
        return image;
    }
    image.file = quoted(value, "file");
    CDuiString source = quoted(value, "source");
    if (!source.empty()) {
        image.source = ParseSkinRect(source);
    }
    CDuiString dest = quoted(value, "dest");
    if (!dest.empty()) {
        image.dest = ParseSkinRect(dest);
    }
    return image;
}

}  // namespace DuiLib
