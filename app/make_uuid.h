// MakeUuid: the main window's instance identifier, 32 upper-case hexadecimal digits.
#pragma once

#include <string>

namespace orvex {

// A new GUID written as its first 32-bit field, its two 16-bit fields and its eight bytes, in
// upper-case hexadecimal without separators. Any thread.
std::string MakeUuid();

}  // namespace orvex
