#include "tools/lab/lab_options.h"

#include <cerrno>
#include <cstdlib>

namespace orvex::lab {

std::optional<LabOptions> LabOptions::Parse(const std::vector<std::string>& args,
                                            const std::set<std::string>& valued,
                                            const std::set<std::string>& flags,
                                            std::string& error) {
    LabOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            error = "unexpected argument \"" + arg + "\"";
            return std::nullopt;
        }
        std::string name = arg.substr(2);
        if (flags.count(name) != 0) {
            options.values_[name] = "";
        } else if (valued.count(name) != 0) {
            if (i + 1 >= args.size()) {
                error = "option --" + name + " needs a value";
                return std::nullopt;
            }
            options.values_[name] = args[++i];
        } else {
            error = "unknown option \"" + arg + "\"";
            return std::nullopt;
        }
    }
    return options;
}

std::string LabOptions::get(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it != values_.end() ? it->second : fallback;
}

std::optional<long> LabOptions::number(const std::string& name, long fallback) const {
    auto it = values_.find(name);
    if (it == values_.end()) {
        return fallback;
    }
    const char* text = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace orvex::lab
