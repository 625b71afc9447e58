// The lab's output: one JSON object per line on standard output, and the record file that
// keeps the lines a role records (what the program sent).
#pragma once

#include <json/json.h>

#include <string>

namespace orvex::lab {

// Appends recorded lines to `path` from now on. False when the file cannot be opened.
// Before the role starts its threads.
bool OpenRecordFile(const std::string& path);

// Writes the event as one line to standard output (flushed), and to the record file too when
// `record` is set. Any thread; lines never interleave.
void EmitEvent(const Json::Value& event, bool record = false);

// {"event": "error", "message": message} (plus "command" when given).
void EmitError(const std::string& message, const std::string& command = "");

// The one-line JSON text of a value (no indentation, UTF-8 kept).
std::string CompactJson(const Json::Value& value);

}  // namespace orvex::lab
