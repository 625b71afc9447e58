// orvex-studio: the site studio. Keeps the site's camera inventory, finds ONVIF cameras, and
// starts the tool as its studio.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/studio/commands.h"
#include "tools/studio/inventory_file.h"

namespace {

using orvex::site::Command;
using orvex::site::Commands;

void PrintHelp() {
    std::cout << "orvex-studio " << ORVEX_VERSION
              << ": the site studio for orvex-cloud-config\n\n"
                 "usage: orvex-studio COMMAND [options]     (COMMAND --help for one command)\n\n";
    for (const Command& command : Commands()) {
        std::cout << "  " << command.name << " " << command.usage << "\n      " << command.summary
                  << "\n";
    }
    std::cout << "\nThe inventory is " << orvex::site::InventoryPath()
              << "\n($XDG_CONFIG_HOME/orvex-studio/inventory.json, else ~/.config/...).\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp();
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "orvex-studio " << ORVEX_VERSION << "\n";
        return 0;
    }
    for (const Command& command : Commands()) {
        if (args[0] != command.name) {
            continue;
        }
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& arg : rest) {
            if (arg == "--help" || arg == "-h") {
                std::cout << "usage: orvex-studio " << command.name << " " << command.usage
                          << "\n  " << command.summary << "\n";
                return 0;
            }
        }
        const std::string inventory = orvex::site::InventoryPath();
        if (inventory.empty()) {
            std::cerr << "orvex-studio: neither XDG_CONFIG_HOME nor HOME is set\n";
            return 1;
        }
        return command.run(rest, inventory);
    }
    std::cerr << "orvex-studio: unknown command \"" << args[0] << "\" (see orvex-studio --help)\n";
    return 2;
}
