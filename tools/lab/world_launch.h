// How the lab world tells a person (and the demo) to start the tool against it: the program's
// path, the studio's command-line argument, and the whole command as one shell line.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orvex::lab {

// The studio's argument: the page address followed by "&Userid=", "&UserName=", "&hc=",
// "&clt_ver=", "&LogDomain=" (the statistics host), "&host=" and "&domainIp=". Any thread.
std::string ToolArgument(const std::string& pageAddress, const std::string& statisticsHost);

// The program to start: `given` when set; otherwise the build tree's program beside the lab
// (LAB_DIR/../../app/orvex-cloud-config) when it exists; otherwise the installed one in the lab's
// own folder (LAB_DIR/orvex-cloud-config) when it exists; otherwise "orvex-cloud-config" (found
// through PATH). Any thread.
std::string FindToolProgram(const std::string& given, const std::string& labPath);

// The page folder to serve: `given` when set; otherwise the installed page
// (LAB_DIR/../share/orvex-cloud-config/web, as the packages lay it out) when it holds index.html;
// otherwise `sourceWeb` (the source tree's web/) when it does; otherwise "web". Any thread.
std::string FindWebFolder(const std::string& given, const std::string& labPath,
                          const std::string& sourceWeb);

// The environment the tool needs: a UTF-8 locale, always (the page's titles pass through the
// locale's code page, and the printed line may be pasted into a terminal of another locale), and
// the browser without its sandbox when running as root (Chromium refuses otherwise). Any thread.
std::map<std::string, std::string> ToolEnvironment(bool root);

// "NAME=value ... program 'argument'" with every word quoted for a POSIX shell where needed.
std::string ShellCommandLine(const std::map<std::string, std::string>& environment,
                             const std::vector<std::string>& words);

// One word for a POSIX shell: unchanged when it holds only safe characters, else in single
// quotes (an apostrophe written as '\''). Any thread.
std::string ShellQuote(const std::string& word);

}  // namespace orvex::lab
