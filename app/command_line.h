// The studio's command line: the page address followed by the seven keyed values.
#pragma once

#include <optional>
#include <string>

namespace orvex {

struct CommandLineValues {
    std::string pageAddress;
    std::string userId;
    std::string userName;
    std::string hc;
    std::string clientVersion;
    std::string logDomain;
    std::string host;
    std::string domainIp;
};

// Reads the values from the whole command line (executable path included). Without "http" every
// value is empty; a key missing after "http" (keys are found only in order, case-sensitively)
// gives nothing, and the program exits with -1. Any thread.
std::optional<CommandLineValues> ParseCommandLine(const std::string& commandLine);

}  // namespace orvex
