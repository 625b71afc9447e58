#include "tools/studio/command_line.h"

#include <charconv>

namespace orvex::site {

std::optional<CommandLine> CommandLine::Parse(const std::vector<std::string>& args,
                                              const std::set<std::string>& valued,
                                              const std::set<std::string>& flags,
                                              std::string& error) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            line.words_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (flags.count(name) && !inlineValue) {
            line.values_[name] = "";
        } else if (valued.count(name)) {
            if (!inlineValue && i + 1 >= args.size()) {
                error = "--" + name + " needs a value";
                return std::nullopt;
            }
            line.values_[name] = inlineValue ? *inlineValue : args[++i];
        } else {
            error = "unknown option --" + name;
            return std::nullopt;
        }
    }
    return line;
}

std::string CommandLine::get(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

std::optional<int> CommandLine::number(const std::string& name, int fallback, int low, int high,
                                       std::string& error) const {
    if (!has(name)) {
        return fallback;
    }
    const std::string text = get(name);
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        error = "--" + name + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high);
        return std::nullopt;
    }
    return value;
}

}  // namespace orvex::site
