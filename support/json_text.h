// Reading and writing JSON texts with jsoncpp at its default settings.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

namespace orvex {

// Parses `text` with a default CharReaderBuilder. False when the text is not JSON, including
// texts the reader rejects by throwing (nesting deeper than its stack limit). Any thread.
bool ParseJson(const std::string& text, Json::Value& root);

// Writes `value` with a default StreamWriterBuilder (tab indentation, line feeds). Any thread.
std::string WriteJson(const Json::Value& value);

// The text WriteJson gives an array whose elements' own WriteJson texts are `elements`, made
// without the array's tree (a pass's answer over thousands of cameras would hold every camera's
// tree at once). Any thread.
std::string WriteJsonArray(const std::vector<std::string>& elements);

// WriteJson without its line feeds and tabs: one line. Any thread.
std::string WriteFlatJson(const Json::Value& value);

}  // namespace orvex
