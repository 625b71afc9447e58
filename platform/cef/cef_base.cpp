#include "platform/cef/cef_base.h"

#include <cstdio>
#include <cstdlib>

#include <QString>

#include "support/gui_thread.h"

// UTF-8 and UTF-16 convert through Qt (malformed UTF-8 becomes U+FFFD): scripts of several
// kilobytes cross here on every push.
CefString::CefString(const char* utf8)
    : text_(utf8 != nullptr ? QString::fromUtf8(utf8).toStdU16String() : std::u16string()) {}

CefString::CefString(const std::string& utf8)
    : text_(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String()) {}

std::string CefString::ToString() const {
    return QString::fromStdU16String(text_).toStdString();
}

void CefCheck(bool condition, const char* expression) {
    if (condition) {
        return;
    }
    orvex::FailCheck(expression);
}
