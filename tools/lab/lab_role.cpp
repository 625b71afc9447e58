#include "tools/lab/lab_role.h"

#include <algorithm>
#include <cstring>

namespace orvex::lab {
namespace {

std::vector<LabRole>& Registry() {
    static std::vector<LabRole> roles;  // filled during static initialisation
    return roles;
}

}  // namespace

bool RegisterLabRole(const LabRole& role) {
    Registry().push_back(role);
    return true;
}

std::vector<LabRole> LabRoles() {
    std::vector<LabRole> roles = Registry();
    std::sort(roles.begin(), roles.end(),
              [](const LabRole& a, const LabRole& b) { return std::strcmp(a.name, b.name) < 0; });
    return roles;
}

}  // namespace orvex::lab
