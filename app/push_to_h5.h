// PushToH5: the one way an answer reaches the page, as a call of its SetMsgToH5(code, text).
#pragma once

#include <string>

#include "app/script_runner.h"

namespace orvex {

// Removes every line feed, then every tab. Any thread.
std::string FlattenJsonText(const std::string& text);

// Escapes a UTF-8 text for a single-quoted JavaScript string literal, so that the literal's
// value is exactly the text: backslash, apostrophe, control characters and U+2028/U+2029.
std::string EscapeForSingleQuotedScript(const std::string& text);

// "SetMsgToH5('<code>', '<flattened, escaped text>')". Any thread.
std::string BuildPushScript(int code, const std::string& text);

// Builds the script and hands it to the runner; without a runner the answer is dropped.
// Any thread (pool workers push their own answers).
void PushToH5(ScriptRunner* runner, int code, const std::string& text);

}  // namespace orvex
