#include "app/command_line.h"

namespace orvex {

std::optional<CommandLineValues> ParseCommandLine(const std::string& commandLine) {
    CommandLineValues values;
    size_t http = commandLine.find("http");
    if (http == std::string::npos) {
        return values;
    }
    std::string rest = commandLine.substr(http);

    // The last "&Userid=" starts the parameters: an address may hold the text itself.
    const std::string userIdKey = "&Userid=";
    size_t at = rest.rfind(userIdKey);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    values.pageAddress = rest.substr(0, at);
    rest = rest.substr(at + userIdKey.size());

    // Each key is searched in what follows the previous one; the text before it is the value
    // of the previous key.
    struct Key {
        const char* text;
        std::string* previousValue;
    };
    const Key keys[] = {{"&UserName=", &values.userId}, {"&hc=", &values.userName},
                        {"&clt_ver=", &values.hc},      {"&LogDomain=", &values.clientVersion},
                        {"&host=", &values.logDomain},  {"&domainIp=", &values.host}};
    for (const Key& key : keys) {
        const std::string text = key.text;
        size_t pos = rest.find(text);
        if (pos == std::string::npos) {
            return std::nullopt;
        }
        *key.previousValue = rest.substr(0, pos);
        rest = rest.substr(pos + text.size());
    }
    values.domainIp = rest;
    return values;
}

}  // namespace orvex
