// The analytics service (ver20), where a camera has it: per video source one analytics
// configuration with the cell motion engine (its Sensitivity) and the cell motion detector
// rule, whose presence is the motion switch (DeleteRules turns it off, CreateRules on).
#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

constexpr char kRuleName[] = "MyMotionDetectorRule";
constexpr char kModuleName[] = "MyCellMotionModule";

Channel& ConfigChannel(OperationContext& c) {
    const std::string token = Arg(c, "ConfigurationToken");
    Channel& ch = ChannelByToken(c.state, token);
    if (token != "VideoAnalyticsConfig_" + std::to_string(ch.number)) {
        throw SoapFault(FaultCode::kNoEntity, "no analytics configuration \"" + token + "\"");
    }
    return ch;
}

void AddItem(pugi::xml_node parameters, const char* name, const std::string& value) {
    pugi::xml_node item = parameters.append_child("tt:SimpleItem");
    item.append_attribute("Name") = name;
    item.append_attribute("Value") = value.c_str();
}

// The SimpleItem values of a rule or module element by name.
std::optional<std::string> Item(pugi::xml_node config, const char* name) {
    for (pugi::xml_node item :
         Children(Child(config, kSchemaNs, "Parameters"), kSchemaNs, "SimpleItem")) {
        if (std::string(item.attribute("Name").value()) == name) {
            return std::string(item.attribute("Value").value());
        }
    }
    return std::nullopt;
}

void GetRules(OperationContext& c) {
    const Channel& ch = ConfigChannel(c);
    if (!ch.motion.enabled) {
        return;
    }
    pugi::xml_node rule = c.response.append_child("tan:Rule");
    rule.append_attribute("Name") = kRuleName;
    rule.append_attribute("Type") = "tt:CellMotionDetector";
    pugi::xml_node p = rule.append_child("tt:Parameters");
    AddItem(p, "MinCount", "5");
    AddItem(p, "AlarmOnDelay", "1000");
    AddItem(p, "AlarmOffDelay", "1000");
    AddItem(p, "ActiveCells", "0P8A8A==");
}

// The rules of a Create or Modify request must be the one cell motion detector rule.
void CheckRules(OperationContext& c) {
    std::vector<pugi::xml_node> rules = Children(c.request, kAnalyticsNs, "Rule");
    if (rules.size() != 1 || std::string(rules[0].attribute("Name").value()) != kRuleName ||
        std::string(LocalName(rules[0])) != "Rule" ||
        std::string_view(rules[0].attribute("Type").value()).ends_with("CellMotionDetector") ==
            false) {
        throw SoapFault(FaultCode::kInvalidArgVal, std::string("the camera has one rule: ") +
                                                       kRuleName +
                                                       " of type tt:CellMotionDetector");
    }
}

void CreateRules(OperationContext& c) {
    Channel& ch = ConfigChannel(c);
    CheckRules(c);
    if (ch.motion.enabled) {
        throw SoapFault(FaultCode::kInvalidArgVal, std::string(kRuleName) + " exists already");
    }
    ch.motion.enabled = true;
}

void ModifyRules(OperationContext& c) {
    Channel& ch = ConfigChannel(c);
    CheckRules(c);
    if (!ch.motion.enabled) {
        throw SoapFault(FaultCode::kInvalidArgVal, std::string(kRuleName) + " does not exist");
    }
}

void DeleteRules(OperationContext& c) {
    Channel& ch = ConfigChannel(c);
    if (Arg(c, "RuleName") != kRuleName || !ch.motion.enabled) {
        throw SoapFault(FaultCode::kInvalidArgVal, "no rule \"" + Arg(c, "RuleName") + "\"");
    }
    ch.motion.enabled = false;
}

void GetAnalyticsModules(OperationContext& c) {
    const Channel& ch = ConfigChannel(c);
    pugi::xml_node module = c.response.append_child("tan:AnalyticsModule");
    module.append_attribute("Name") = kModuleName;
    module.append_attribute("Type") = "tt:CellMotionEngine";
    pugi::xml_node p = module.append_child("tt:Parameters");
    AddItem(p, "Sensitivity", std::to_string(ch.motion.sensitivity));
}

void ModifyAnalyticsModules(OperationContext& c) {
    Channel& ch = ConfigChannel(c);
    std::vector<pugi::xml_node> modules = Children(c.request, kAnalyticsNs, "AnalyticsModule");
    if (modules.size() != 1 || std::string(modules[0].attribute("Name").value()) != kModuleName) {
        throw SoapFault(FaultCode::kInvalidArgVal,
                        std::string("the camera has one module: ") + kModuleName);
    }
    const std::optional<std::string> text = Item(modules[0], "Sensitivity");
    if (!text) {
        throw SoapFault(FaultCode::kInvalidArgVal, "Sensitivity is missing");
    }
    const int sensitivity = ParseInt(*text, "Sensitivity");
    if (sensitivity < 0 || sensitivity > 100) {
        throw SoapFault(FaultCode::kInvalidArgVal,
                        "灵敏度 " + std::to_string(sensitivity) + " 超出范围 0..100");
    }
    ch.motion.sensitivity = sensitivity;
}

}  // namespace

std::vector<Operation> AnalyticsOperations() {
    return {
        {kAnalyticsNs, "GetRules", "analytics", true, false, GetRules},
        {kAnalyticsNs, "CreateRules", "analytics", true, true, CreateRules},
        {kAnalyticsNs, "ModifyRules", "analytics", true, true, ModifyRules},
        {kAnalyticsNs, "DeleteRules", "analytics", true, true, DeleteRules},
        {kAnalyticsNs, "GetAnalyticsModules", "analytics", true, false, GetAnalyticsModules},
        {kAnalyticsNs, "ModifyAnalyticsModules", "analytics", true, true, ModifyAnalyticsModules},
    };
}

}  // namespace orvex::lab::onvif
