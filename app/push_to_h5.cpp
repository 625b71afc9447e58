#include "app/push_to_h5.h"

#include <cstdio>

#include "support/text_conversion.h"

namespace orvex {

std::string FlattenJsonText(const std::string& text) {
    return ReplaceAll(ReplaceAll(text, "\n", ""), "\t", "");
}

std::string EscapeForSingleQuotedScript(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\\':
                out += "\\\\";
                continue;
            case '\'':
                out += "\\'";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            // U+2028 and U+2029 end a line inside a script, and so a string literal.
            out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string BuildPushScript(int code, const std::string& text) {
    return "SetMsgToH5('" + std::to_string(code) + "', '" +
           EscapeForSingleQuotedScript(FlattenJsonText(text)) + "')";
}

void PushToH5(ScriptRunner* runner, int code, const std::string& text) {
    if (runner == nullptr) {
        return;
    }
    runner->RunScript(BuildPushScript(code, text));
}

}  // namespace orvex
