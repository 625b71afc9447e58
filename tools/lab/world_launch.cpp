#include "tools/lab/world_launch.h"

#include <filesystem>

namespace orvex::lab {

std::string ToolArgument(const std::string& pageAddress, const std::string& statisticsHost) {
    return pageAddress +
           "&Userid=lab-user&UserName=lab&hc=lab-hc&clt_ver=1.0.0&LogDomain=" + statisticsHost +
           "&host=127.0.0.1&domainIp=127.0.0.1";
}

std::string FindToolProgram(const std::string& given, const std::string& labPath) {
    if (!given.empty()) {
        return given;
    }
    std::error_code error;
    const std::filesystem::path lab = std::filesystem::weakly_canonical(labPath, error);
    if (!error) {
        const std::filesystem::path beside =
            lab.parent_path().parent_path().parent_path() / "app" / "orvex-cloud-config";
        if (std::filesystem::is_regular_file(beside, error)) {
            return beside.string();
        }
        const std::filesystem::path installed = lab.parent_path() / "orvex-cloud-config";
        if (std::filesystem::is_regular_file(installed, error)) {
            return installed.string();
        }
    }
    return "orvex-cloud-config";
}

std::string FindWebFolder(const std::string& given, const std::string& labPath,
                          const std::string& sourceWeb) {
    if (!given.empty()) {
        return given;
    }
    std::error_code error;
    const std::filesystem::path lab = std::filesystem::weakly_canonical(labPath, error);
    if (!error) {
        const std::filesystem::path installed =
            lab.parent_path().parent_path() / "share" / "orvex-cloud-config" / "web";
        if (std::filesystem::is_regular_file(installed / "index.html", error)) {
            return installed.string();
        }
    }
    if (std::filesystem::is_regular_file(std::filesystem::path(sourceWeb) / "index.html", error)) {
        return sourceWeb;
    }
    return "web";
}

std::map<std::string, std::string> ToolEnvironment(bool root) {
    // Always: the line is pasted into another terminal, whose locale may not be UTF-8, and the
    // page's titles pass through the locale's code page.
    std::map<std::string, std::string> environment{{"LC_ALL", "C.UTF-8"}};
    if (root) {
        environment["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
    }
    return environment;
}

std::string ShellQuote(const std::string& word) {
    bool safe = !word.empty();
    for (char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-' ||
                           c == ':' || c == ',' || c == '+' || c == '=' || c == '@';
        safe = safe && plain;
    }
    if (safe) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ShellCommandLine(const std::map<std::string, std::string>& environment,
                             const std::vector<std::string>& words) {
    std::string line;
    for (const auto& [name, value] : environment) {
        line += name + "=" + ShellQuote(value) + " ";
    }
    for (size_t i = 0; i < words.size(); ++i) {
        line += (i == 0 ? "" : " ") + ShellQuote(words[i]);
    }
    return line;
}

}  // namespace orvex::lab
