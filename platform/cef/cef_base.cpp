#include "platform/cef/cef_base.h"

#include <cstdio>
#include <cstdlib>

#include "support/text_conversion.h"

CefString::CefString(const char* utf8) : text_(orvex::Utf8ToWide(utf8 != nullptr ? utf8 : "")) {}

CefString::CefString(const std::string& utf8) : text_(orvex::Utf8ToWide(utf8)) {}

std::string CefString::ToString() const {
    return orvex::WideToUtf8(text_);
}

void CefCheck(bool condition, const char* expression) {
    if (condition) {
        return;
    }
    std::fprintf(stderr, "[FATAL] Check failed: %s. \n", expression);
    std::fflush(stderr);
    std::abort();
}
