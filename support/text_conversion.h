// Text conversion between UTF-8, UTF-16 and the system ANSI code page, and ReplaceAll.
#pragma once

#include <cstddef>
#include <string>

namespace orvex {

// The ANSI code page: the narrow encoding of the environment's locale (LC_ALL / LC_CTYPE /
// LANG), as iconv names it. Computed once. Safe to call from any thread.
const std::string& AnsiCodePage();

// The forms that take an explicit code page (an iconv encoding name such as "CP1252").
// Malformed UTF-8 becomes U+FFFD; a character the code page cannot hold becomes its default
// character '?'. A conversion iconv cannot open yields an empty text. Any thread.
std::string Utf8ToCodePage(const char* utf8, const std::string& codePage);
std::string CodePageToUtf8(const char* text, const std::string& codePage);
std::string WideToCodePage(const char16_t* wide, std::size_t length, const std::string& codePage);
std::u16string Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::u16string& wide);

// UTF-8 to ANSI; absent input gives an empty text; the result ends at its first NUL. Any thread.
std::string Utf8ToAnsi(const char* utf8);
// ANSI to UTF-8; absent or empty input gives an empty text. Any thread.
std::string AnsiToUtf8(const char* ansi);
// Exactly `length` UTF-16 units to ANSI; nothing convertible gives an empty text. Any thread.
std::string WideToAnsi(const char16_t* wide, std::size_t length);

// Replaces every occurrence of `from` by `to`, left to right; inserted text is never searched
// again. An empty `from` is refused: the text comes back unchanged (an empty search would never
// advance). Any thread.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

}  // namespace orvex
