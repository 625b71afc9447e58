// `orvex-studio run`: one session of the tool. Serves the studio link and the page, starts the
// tool with the page address and the seven keyed values, records the configuration names it
// sends, and ends when the tool ends, leaving no process behind.
#pragma once

#include <string>

namespace orvex::site {

struct RunOptions {
    std::string inventoryPath;
    std::string tool;       // --tool; empty: searched (tool_paths.h)
    std::string page;       // --page; empty: searched
    std::string statsHost;  // --stats-host; empty: nothing is posted
    std::string userId;
    std::string userName;
    std::string camera;  // "SERIAL[:CHANNEL]" made current after every hello; empty: none
    int pagePort = 0;
    int studioPort = 5905;   // the tool connects to 5905 only; other values are for tests
    int quitWaitMs = 10000;  // how long the tool has to close after quit, before it is ended
};

// The command line the tool is started with: the page address and the seven keyed values.
// Pure; any thread.
std::string ToolArgument(const std::string& pageUrl, const RunOptions& options,
                         const std::string& version);

// Runs the session; returns the exit status (the tool's, or 1 when it could not start). The
// main thread, before any other thread was started.
int RunSession(const RunOptions& options);

}  // namespace orvex::site
