// Where `run` finds the tool and the reference page: the command line, the environment, the
// installed layout beside this program, the build tree, PATH, in that order.
#pragma once

#include <optional>
#include <string>

namespace orvex::site {

struct Located {
    std::string path;
    std::string how;  // which rule found it, for the person reading the output
};

// The folder of this program's executable. Any thread.
std::string OwnFolder();

// The tool: `option` (--tool), else $ORVEX_TOOL, else <own>/../lib/orvex-cloud-config/
// orvex-cloud-config, else <own>/orvex-cloud-config, else the build tree's tool, else
// orvex-cloud-config on PATH. Nothing when none of them is an executable file (`tried` then
// lists where it looked). Any thread.
std::optional<Located> FindTool(const std::string& option, const std::string& ownFolder,
                                std::string& tried);
// The page folder (with index.html): `option` (--page), else <own>/../share/orvex-cloud-config/
// web, else the source tree's web/. Any thread.
std::optional<Located> FindPage(const std::string& option, const std::string& ownFolder,
                                std::string& tried);

}  // namespace orvex::site
