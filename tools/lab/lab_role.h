// The roles of orvex-lab: each role lives in its own file and registers itself here with
// ORVEX_LAB_ROLE, so that adding a role is adding a file.
#pragma once

#include <string>
#include <vector>

namespace orvex::lab {

// A role's entry point: the arguments after the role name. Returns the exit status.
using RoleMain = int (*)(const std::vector<std::string>& args);

struct LabRole {
    const char* name;
    const char* usage;  // option summary, one or more lines
    RoleMain run;
};

// Registers a role; called during static initialisation. Always true.
bool RegisterLabRole(const LabRole& role);
// Every registered role, ordered by name.
std::vector<LabRole> LabRoles();

}  // namespace orvex::lab

#define ORVEX_LAB_CONCAT_INNER(a, b) a##b
#define ORVEX_LAB_CONCAT(a, b) ORVEX_LAB_CONCAT_INNER(a, b)
// ORVEX_LAB_ROLE("name", "usage", Function) at namespace scope of the role's file.
#define ORVEX_LAB_ROLE(name, usage, function)                          \
    static const bool ORVEX_LAB_CONCAT(labRoleRegistered_, __LINE__) = \
        ::orvex::lab::RegisterLabRole(::orvex::lab::LabRole{name, usage, function})
