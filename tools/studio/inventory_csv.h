// The inventory as CSV, the form installers keep their camera lists in: a header row naming the
// columns, one camera a row, RFC 4180 quoting, UTF-8 (a leading byte-order mark is accepted).
#pragma once

#include <string>
#include <vector>

#include "tools/studio/inventory.h"

namespace orvex::site {

// The columns written, in order; "password" only when passwords are asked for.
// group,name,serial,address,port,protocol,user,password,channels. Any thread.
std::string WriteCsv(const Inventory& inventory, bool withPasswords);

// One camera row read from CSV, with its group; `hasPassword` tells whether the file had a
// password column (a file without one keeps the passwords the inventory has).
struct CsvCamera {
    std::string group;
    SiteCamera camera;
    bool hasPassword = false;
};

// Reads CSV text. Columns are found by the header's names (any order; unknown ones are an
// error); "serial" and "address" are required. On failure false, with `error` naming the line
// and the column ("line 4, port: ..."). Any thread.
bool ReadCsv(const std::string& text, std::vector<CsvCamera>& cameras, std::string& error);

// Splits CSV text into rows of fields (quoted fields may hold commas, quotes and line breaks).
// `lines` gets the line each row starts on. False, with `error`, for an unterminated quote.
bool SplitCsv(const std::string& text, std::vector<std::vector<std::string>>& rows,
              std::vector<int>& lines, std::string& error);

}  // namespace orvex::site
