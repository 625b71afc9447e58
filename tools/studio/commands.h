// The commands of orvex-studio: each with its usage, for the help, and its entry point.
#pragma once

#include <string>
#include <vector>

namespace orvex::site {

// A command's entry point: the arguments after its word and the inventory file. Returns the
// exit status (2 for a usage error). The main thread.
using CommandMain = int (*)(const std::vector<std::string>& args, const std::string& inventory);

struct Command {
    const char* name;
    const char* usage;  // the options, one or more lines
    const char* summary;
    CommandMain run;
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

// The inventory commands (inventory_commands.cpp), scan (scan_command.cpp), run (run_command.cpp).
int ListCommand(const std::vector<std::string>& args, const std::string& inventory);
int AddCommand(const std::vector<std::string>& args, const std::string& inventory);
int RemoveCommand(const std::vector<std::string>& args, const std::string& inventory);
int MoveCommand(const std::vector<std::string>& args, const std::string& inventory);
int ImportCommand(const std::vector<std::string>& args, const std::string& inventory);
int ExportCommand(const std::vector<std::string>& args, const std::string& inventory);
int ScanCommand(const std::vector<std::string>& args, const std::string& inventory);
int RunCommand(const std::vector<std::string>& args, const std::string& inventory);

}  // namespace orvex::site
