// The options of one orvex-studio command: "--name value" pairs, flags and positional words.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvex::site {

class CommandLine {
  public:
    // Reads `args` (after the command word): every option must be in `valued` or `flags`.
    // Nothing, with `error`, for an unknown option or a missing value. Any thread.
    static std::optional<CommandLine> Parse(const std::vector<std::string>& args,
                                            const std::set<std::string>& valued,
                                            const std::set<std::string>& flags, std::string& error);

    bool has(const std::string& name) const { return values_.count(name) > 0; }
    std::string get(const std::string& name, const std::string& fallback = "") const;
    // The option as a whole number in [low, high]; nothing (with `error`) when it is not one.
    std::optional<int> number(const std::string& name, int fallback, int low, int high,
                              std::string& error) const;
    const std::vector<std::string>& words() const { return words_; }

  private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> words_;
};

}  // namespace orvex::site
