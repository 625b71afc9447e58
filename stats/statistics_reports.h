// The open reports and common items of the statistics reporter, and the report text.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// Closes the open report of that key and writes its report text: its own items, then the
// common items, as name=value joined by "&". False when there is no such report or the
// reporter is not initialised. User-interface thread.
bool CloseStatisticsReport(const char* systemName, const char* suffix, std::string& text);

// An item name or value as it travels in the request line: bytes that cannot stand there
// (control characters, space, DEL) become %XX; everything else, "&" and "=" included, stays.
std::string EncodeStatisticsText(std::string_view text);

}  // namespace orvex
