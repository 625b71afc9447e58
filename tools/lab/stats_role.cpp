// orvex-lab stats: the statistics server. Records every POST to "/statistics.do" with its
// query, item by item, as a JSON line, and answers with the chosen status.
#include <httplib.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/lab/lab_events.h"
#include "tools/lab/lab_options.h"
#include "tools/lab/lab_role.h"
#include "tools/lab/lab_runtime.h"

namespace orvex::lab {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// %XX sequences to bytes; anything else (a lone "%", "+") stays as it is.
std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The query's items in the order they were sent: split at "&", then at the first "=".
Json::Value QueryItems(const std::string& query) {
    Json::Value items(Json::arrayValue);
    if (query.empty()) {
        return items;
    }
    size_t start = 0;
    for (;;) {
        size_t end = query.find('&', start);
        std::string item = query.substr(start, end == std::string::npos ? end : end - start);
        size_t equals = item.find('=');
        Json::Value pair(Json::arrayValue);
        pair.append(PercentDecode(item.substr(0, equals)));
        // An item without "=" has no value (null).
        pair.append(equals == std::string::npos
                        ? Json::Value()
                        : Json::Value(PercentDecode(item.substr(equals + 1))));
        items.append(pair);
        if (end == std::string::npos) {
            return items;
        }
        start = end + 1;
    }
}

int RunStats(const std::vector<std::string>& args) {
    PrepareStopSignals();
    std::string error;
    auto options = LabOptions::Parse(args, {"host", "port", "record", "status"}, {}, error);
    std::optional<long> port = options ? options->number("port", 80) : std::nullopt;
    std::optional<long> status = options ? options->number("status", 200) : std::nullopt;
    if (!options || !port || *port < 0 || *port > 65535 || !status || *status < 100 ||
        *status > 999) {
        EmitError(options ? "--port takes 0 to 65535, --status 100 to 999" : error);
        return 2;
    }
    if (options->has("record") && !OpenRecordFile(options->get("record"))) {
        EmitError("cannot open the record file " + options->get("record"));
        return 2;
    }
    const std::string host = options->get("host", "127.0.0.1");
    const int answer = static_cast<int>(*status);

    httplib::Server server;
    server.Post(
        "/statistics.do", [answer](const httplib::Request& request, httplib::Response& response) {
            size_t mark = request.target.find('?');
            std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);
            Json::Value event;
            event["event"] = "statistics";
            event["target"] = request.target;
            event["query"] = query;
            event["items"] = QueryItems(query);
            event["host"] = request.get_header_value("Host");
            event["contentType"] = request.get_header_value("Content-Type");
            event["contentLength"] = request.get_header_value("Content-Length");
            event["body"] = request.body;
            EmitEvent(event, true);
            response.status = answer;
            response.set_content("ok", "text/plain");
        });
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        if (request.path == "/statistics.do" && request.method == "POST") {
            return;
        }
        Json::Value event;
        event["event"] = "request";
        event["method"] = request.method;
        event["target"] = request.target;
        event["status"] = response.status;
        EmitEvent(event);
    });

    int bound = *port == 0 ? server.bind_to_any_port(host)
                           : (server.bind_to_port(host, static_cast<int>(*port)) ? *port : -1);
    if (bound <= 0) {
        EmitError("cannot listen on " + host + ":" + std::to_string(*port));
        return 1;
    }
    Json::Value listening;
    listening["event"] = "listening";
    listening["role"] = "stats";
    listening["host"] = host;
    listening["port"] = bound;
    EmitEvent(listening);

    StartCommandReader([](const std::string& line) { EmitError("unknown command", line); }, false);
    std::thread serving([&] { server.listen_after_bind(); });
    WaitForStop();
    server.stop();
    serving.join();
    return 0;
}

}  // namespace

ORVEX_LAB_ROLE("stats",
               "[--host 127.0.0.1] [--port 80] [--record FILE] [--status 200]\n"
               "         stdin: exit",
               RunStats);

}  // namespace orvex::lab
