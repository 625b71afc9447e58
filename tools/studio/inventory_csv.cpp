#include "tools/studio/inventory_csv.h"

#include <charconv>
#include <map>

namespace orvex::site {
namespace {

const char* const kColumns[] = {"group",    "name", "serial",   "address", "port",
                                "protocol", "user", "password", "channels"};

std::string Quote(const std::string& field) {
    const bool plain = field.find_first_of(",\"\r\n") == std::string::npos &&
                       (field.empty() || (field.front() != ' ' && field.back() != ' '));
    if (plain) {
        return field;
    }
    std::string quoted = "\"";
    for (char c : field) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

bool ToNumber(const std::string& text, int& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

}  // namespace

std::string WriteCsv(const Inventory& inventory, bool withPasswords) {
    std::string out;
    auto row = [&](const std::vector<std::string>& fields) {
        for (size_t i = 0; i < fields.size(); ++i) {
            out += (i == 0 ? "" : ",") + Quote(fields[i]);
        }
        out += "\r\n";
    };
    std::vector<std::string> header;
    for (const char* column : kColumns) {
        if (withPasswords || std::string(column) != "password") {
            header.push_back(column);
        }
    }
    row(header);
    for (const SiteGroup& group : inventory.groups) {
        for (const SiteCamera& c : group.cameras) {
            std::vector<std::string> fields{
                group.name, c.name, c.serial, c.address, std::to_string(c.port),
                c.protocol, c.user};
            if (withPasswords) {
                fields.push_back(c.password);
            }
            fields.push_back(std::to_string(c.channels));
            row(fields);
        }
    }
    return out;
}

bool SplitCsv(const std::string& text, std::vector<std::vector<std::string>>& rows,
              std::vector<int>& lines, std::string& error) {
    size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    int line = 1;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool rowStarted = false;
    int rowLine = 1;
    auto endRow = [&] {
        row.push_back(std::move(field));
        field.clear();
        // A blank line is no row.
        if (!(row.size() == 1 && row[0].empty())) {
            rows.push_back(std::move(row));
            lines.push_back(rowLine);
        }
        row.clear();
        rowStarted = false;
    };
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (!rowStarted) {
            rowStarted = true;
            rowLine = line;
        }
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n' ? 1 : 0;
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            endRow();
            ++line;
        } else {
            field += c;
        }
    }
    if (quoted) {
        error = "line " + std::to_string(rowLine) + ": a quoted field is not closed";
        return false;
    }
    if (rowStarted) {
        endRow();
    }
    return true;
}

bool ReadCsv(const std::string& text, std::vector<CsvCamera>& cameras, std::string& error) {
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lines;
    if (!SplitCsv(text, rows, lines, error)) {
        return false;
    }
    if (rows.empty()) {
        error = "line 1: no header row";
        return false;
    }
    std::map<std::string, size_t> column;
    for (size_t i = 0; i < rows[0].size(); ++i) {
        const std::string& name = rows[0][i];
        bool known = false;
        for (const char* c : kColumns) {
            known = known || name == c;
        }
        if (!known) {
            error = "line 1: unknown column \"" + name + "\"";
            return false;
        }
        column[name] = i;
    }
    for (const char* required : {"serial", "address"}) {
        if (!column.count(required)) {
            error = std::string("line 1: the header has no \"") + required + "\" column";
            return false;
        }
    }
    std::vector<CsvCamera> read;
    for (size_t r = 1; r < rows.size(); ++r) {
        const std::string place = "line " + std::to_string(lines[r]) + ", ";
        if (rows[r].size() != rows[0].size()) {
            error = place.substr(0, place.size() - 2) + ": " + std::to_string(rows[r].size()) +
                    " fields where the header has " + std::to_string(rows[0].size());
            return false;
        }
        auto get = [&](const char* name, std::string& out) {
            if (column.count(name)) {
                out = rows[r][column[name]];
            }
        };
        CsvCamera entry;
        SiteCamera& c = entry.camera;
        std::string port, channels, protocol = c.protocol;
        get("group", entry.group);
        get("name", c.name);
        get("serial", c.serial);
        get("address", c.address);
        get("port", port);
        get("protocol", protocol);
        get("user", c.user);
        get("password", c.password);
        get("channels", channels);
        entry.hasPassword = column.count("password") > 0;
        if (!port.empty() && !ToNumber(port, c.port)) {
            error = place + "port: \"" + port + "\" is not a number";
            return false;
        }
        if (!channels.empty() && !ToNumber(channels, c.channels)) {
            error = place + "channels: \"" + channels + "\" is not a number";
            return false;
        }
        c.protocol = NormalProtocol(protocol);
        if (c.protocol.empty()) {
            error = place + "protocol: expected \"ONVIF\" or \"device\", not \"" + protocol + "\"";
            return false;
        }
        if (port.empty() && c.protocol == kDeviceProtocol) {
            c.port = 8000;  // the device protocol's usual port, as ONVIF's is 80
        }
        const std::string problem = CheckCamera(c);
        if (!problem.empty()) {
            error = place + problem;
            return false;
        }
        read.push_back(std::move(entry));
    }
    cameras = std::move(read);
    return true;
}

}  // namespace orvex::site
