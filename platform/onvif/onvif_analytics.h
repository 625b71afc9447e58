// The ONVIF analytics service (ver20) as the driver uses it: the cell motion detector rule
// (its presence is the motion switch) and the cell motion engine's sensitivity.
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>

#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {

struct CellMotion {
    std::string ruleName;  // the cell motion detector rule; empty when there is none
    std::string moduleName;
    std::optional<int> sensitivity;  // the cell motion engine's, 0..100
};

// Pure readers of answers (the fuzzer feeds them); any thread.
std::string ParseMotionRule(pugi::xml_node getRulesResponse);
void ParseMotionModule(pugi::xml_node getModulesResponse, CellMotion& motion);

// The calls on the analytics service at `path` for configuration `token`. Any thread.
bool GetCellMotion(SoapClient& c, const std::string& path, const std::string& token,
                   CellMotion& motion, Reply& reply);
// Creates the rule (with the whole picture as its cells) or deletes the one there is.
bool SetMotionRule(SoapClient& c, const std::string& path, const std::string& token,
                   const CellMotion& now, bool on, Reply& reply);
// Reads the engine module, changes its Sensitivity and sends it back.
bool SetMotionSensitivity(SoapClient& c, const std::string& path, const std::string& token,
                          int sensitivity, Reply& reply);

}  // namespace orvex::onvif
