// Command-line options of a lab role: "--name value" and "--flag".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvex::lab {

class LabOptions {
  public:
    // Parses `args`; `valued` names the options that take a value, `flags` those that do not.
    // An unknown option, a missing value or a stray argument is an error (nothing returned,
    // `error` says why).
    static std::optional<LabOptions> Parse(const std::vector<std::string>& args,
                                           const std::set<std::string>& valued,
                                           const std::set<std::string>& flags, std::string& error);

    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::string get(const std::string& name, const std::string& fallback = "") const;
    // The value as a whole number; `fallback` when absent; nothing when it is not a number.
    std::optional<long> number(const std::string& name, long fallback) const;

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace orvex::lab
