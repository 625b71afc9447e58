// What the program answers without starting: its version and its usage, asked for with
// --version or --help as the only argument.
#pragma once

#include <string>

namespace orvex {

enum class InfoRequest { None, Version, Help };

// The request when the whole argument list is one of "--version", "-V", "--help" or "-h";
// otherwise None (the studio's page argument, the engine's sub-process switches). Any thread.
InfoRequest InfoRequestOf(int argc, const char* const* argv);

// "orvex-cloud-config VERSION\n". Any thread.
std::string VersionText();
// The usage: the studio's argument, the environment the program reads and the files it writes.
// Any thread.
std::string HelpText();

}  // namespace orvex
