#include "tools/studio/tool_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace orvex::site {
namespace {

namespace fs = std::filesystem;

bool IsExecutableFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool IsPageFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path) / "index.html", ec);
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

std::optional<Located> FirstOf(const std::vector<Located>& candidates,
                               bool (*fits)(const std::string&), std::string& tried) {
    tried.clear();
    for (const Located& candidate : candidates) {
        if (candidate.path.empty()) {
            continue;
        }
        if (fits(candidate.path)) {
            return Located{Canonical(candidate.path), candidate.how};
        }
        tried += "\n  " + candidate.path + " (" + candidate.how + ")";
    }
    return std::nullopt;
}

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string OwnFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? "." : self.parent_path().string();
}

std::optional<Located> FindTool(const std::string& option, const std::string& own,
                                std::string& tried) {
    if (!option.empty()) {
        return FirstOf({{option, "--tool"}}, IsExecutableFile, tried);
    }
    std::vector<Located> candidates{
        {Env("ORVEX_TOOL"), "$ORVEX_TOOL"},
        {own + "/../lib/orvex-cloud-config/orvex-cloud-config", "installed beside orvex-studio"},
        {own + "/orvex-cloud-config", "in orvex-studio's folder"},
#ifdef ORVEX_BUILD_TOOL
        {ORVEX_BUILD_TOOL, "the build tree"},
#endif
    };
    std::istringstream path(Env("PATH"));
    for (std::string folder; std::getline(path, folder, ':');) {
        if (!folder.empty()) {
            candidates.push_back({folder + "/orvex-cloud-config", "on PATH"});
        }
    }
    return FirstOf(candidates, IsExecutableFile, tried);
}

std::optional<Located> FindPage(const std::string& option, const std::string& own,
                                std::string& tried) {
    if (!option.empty()) {
        return FirstOf({{option, "--page"}}, IsPageFolder, tried);
    }
    return FirstOf(
        {
            {own + "/../share/orvex-cloud-config/web", "installed beside orvex-studio"},
#ifdef ORVEX_SOURCE_WEB
            {ORVEX_SOURCE_WEB, "the source tree"},
#endif
        },
        IsPageFolder, tried);
}

}  // namespace orvex::site
