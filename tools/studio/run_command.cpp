// run: reads the run options and starts the session (run_session.h).
#include <cstdlib>
#include <iostream>

#include "tools/studio/command_line.h"
#include "tools/studio/commands.h"
#include "tools/studio/inventory_file.h"
#include "tools/studio/run_session.h"

namespace orvex::site {

int RunCommand(const std::vector<std::string>& args, const std::string& path) {
    std::string error;
    auto line = CommandLine::Parse(
        args, {"tool", "page", "stats-host", "camera", "user-id", "user-name", "page-port"}, {},
        error);
    const auto pagePort = line ? line->number("page-port", 0, 0, 65535, error) : std::nullopt;
    if (!line || !pagePort || !line->words().empty()) {
        std::cerr << "orvex-studio: " << (line && pagePort ? "run takes no words" : error) << "\n";
        return 2;
    }
    Inventory inventory;
    if (!LoadInventory(path, inventory, error)) {
        std::cerr << "orvex-studio: " << error << "\n";
        return 1;
    }
    const char* user = std::getenv("USER");
    RunOptions options;
    options.inventoryPath = path;
    options.tool = line->get("tool");
    options.page = line->get("page");
    options.statsHost = line->get("stats-host");
    options.camera = line->get("camera");
    options.userId = line->get("user-id", user ? user : "");
    options.userName = line->get("user-name", options.userId);
    options.pagePort = *pagePort;
    std::cout << "inventory: " << path << " (" << inventory.cameraCount() << " cameras in "
              << inventory.groups.size() << " groups)\n";
    return RunSession(options);
}

}  // namespace orvex::site
