// ConfigRangeToPageJson: a camera's ConfigRange as the page's range object.
#pragma once

#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex {

// The page's range object for `range`, written at the writer's default settings with every
// line feed and tab removed; writes "\n dev config range info: ", the text and "\n" to the debug
// output. An empty text if the JSON library fails. "videoType" is always an array: the first
// per-stream video type list when it is non-empty, otherwise the video type list; absent when
// both are empty. Pure apart from debug output; any thread.
std::string ConfigRangeToPageJson(const ConfigRange& range);

}  // namespace orvex
