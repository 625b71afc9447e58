#include "platform/onvif/onvif_analytics.h"

#include "platform/onvif/onvif_rewrite.h"
#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

// The rule created when the motion switch is turned on: the name cameras commonly use.
constexpr char kRuleName[] = "MyMotionDetectorRule";

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

constexpr char kConfigurationToken[] = "tan:ConfigurationToken";

void ConfigurationToken(pugi::xml_node op, const std::string& token) {
    op.append_child(kConfigurationToken).text().set(token.c_str());
}

pugi::xml_node SimpleItem(pugi::xml_node module, std::string_view name) {
    for (pugi::xml_node item :
         Children(Child(module, kSchemaNs, "Parameters"), kSchemaNs, "SimpleItem")) {
        if (name == item.attribute("Name").value()) {
            return item;
        }
    }
    return {};
}

pugi::xml_node MotionModule(pugi::xml_node answer) {
    for (pugi::xml_node m : Children(answer, kAnalyticsNs, "AnalyticsModule")) {
        if (EndsWith(m.attribute("Type").value(), "CellMotionEngine")) {
            return m;
        }
    }
    return {};
}

}  // namespace

std::string ParseMotionRule(pugi::xml_node answer) {
    for (pugi::xml_node r : Children(answer, kAnalyticsNs, "Rule")) {
        if (EndsWith(r.attribute("Type").value(), "CellMotionDetector")) {
            return r.attribute("Name").value();
        }
    }
    return "";
}

void ParseMotionModule(pugi::xml_node answer, CellMotion& motion) {
    pugi::xml_node m = MotionModule(answer);
    motion.moduleName = m.attribute("Name").value();
    motion.sensitivity = ParseInt(SimpleItem(m, "Sensitivity").attribute("Value").value());
}

bool GetCellMotion(SoapClient& c, const std::string& path, const std::string& token,
                   CellMotion& motion, Reply& reply) {
    c.call(path, kAnalyticsNs, "GetRules", TokenArgument(kConfigurationToken, token), reply);
    if (!reply.ok()) {
        return false;
    }
    motion.ruleName = ParseMotionRule(reply.answer);
    c.call(path, kAnalyticsNs, "GetAnalyticsModules", TokenArgument(kConfigurationToken, token),
           reply);
    if (!reply.ok()) {
        return false;
    }
    ParseMotionModule(reply.answer, motion);
    return true;
}

bool SetMotionRule(SoapClient& c, const std::string& path, const std::string& token,
                   const CellMotion& now, bool on, Reply& reply) {
    if (!on) {
        c.call(
            path, kAnalyticsNs, "DeleteRules",
            [&](pugi::xml_node op) {
                ConfigurationToken(op, token);
                op.append_child("tan:RuleName").text().set(now.ruleName.c_str());
            },
            reply);
        return reply.ok();
    }
    // A deleted rule is gone: it is made anew over every cell, as cameras make their default.
    c.call(
        path, kAnalyticsNs, "CreateRules",
        [&](pugi::xml_node op) {
            ConfigurationToken(op, token);
            pugi::xml_node rule = op.append_child("tan:Rule");
            rule.append_attribute("Name") = kRuleName;
            rule.append_attribute("Type") = "tt:CellMotionDetector";
            pugi::xml_node p = rule.append_child("tt:Parameters");
            const std::pair<const char*, const char*> items[] = {{"MinCount", "5"},
                                                                 {"AlarmOnDelay", "1000"},
                                                                 {"AlarmOffDelay", "1000"},
                                                                 {"ActiveCells", "0P8A8A=="}};
            for (const auto& [name, value] : items) {
                pugi::xml_node item = p.append_child("tt:SimpleItem");
                item.append_attribute("Name") = name;
                item.append_attribute("Value") = value;
            }
        },
        reply);
    return reply.ok();
}

bool SetMotionSensitivity(SoapClient& c, const std::string& path, const std::string& token,
                          int sensitivity, Reply& reply) {
    const Rewrite how{.ns = kAnalyticsNs,
                      .read = "GetAnalyticsModules",
                      .keyElement = kConfigurationToken,
                      .key = token,
                      .find = MotionModule,
                      .missing = Failure::kUnsupported,
                      .missingReason = "the camera has no cell motion engine",
                      .write = "ModifyAnalyticsModules",
                      .writeKey = true,
                      .copyAs = "tan:AnalyticsModule"};
    return RewriteConfiguration(
        c, path, how,
        [&](pugi::xml_node m) {
            pugi::xml_node item = SimpleItem(m, "Sensitivity");
            item.attribute("Value").set_value(std::to_string(sensitivity).c_str());
        },
        reply);
}

}  // namespace orvex::onvif
