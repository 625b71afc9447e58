// Read-modify-write of a camera's ONVIF configuration: read it, change a copy, send it back.
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <string>
#include <string_view>

#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {

// How one configuration is read and written back. Element names carry the client's prefix.
// Every member has an initializer, so that operations name only the ones they set.
struct Rewrite {
    std::string_view ns{};             // the service
    std::string_view read{};           // the operation that reads the configuration
    const char* keyElement = nullptr;  // the element the read names the configuration by
    std::string key{};                 // and its value (the token)
    // The configuration in the read's answer: the child `element` of the answer in `ns`, or what
    // `find` picks where the answer holds several.
    std::string_view element{};
    std::function<pugi::xml_node(pugi::xml_node answer)> find{};
    // When the answer holds no configuration: the failure and reason to give instead of the
    // write (kNone: the write is sent all the same).
    Failure missing = Failure::kNone;
    std::string missingReason{};
    std::string_view write{};       // the operation that sends it back
    bool writeKey = false;          // the write names the configuration by the key before the copy
    const char* copyAs = "";        // the copy's element name in the write
    const char* persist = nullptr;  // the ForcePersistence element, where the operation has it
};

// Reads the configuration `how` says, lets `change` edit the copy, and sends it back; true on
// success, else false with `reply` saying why (the read's failure when the read failed). Any
// thread.
bool RewriteConfiguration(SoapClient& c, const std::string& path, const Rewrite& how,
                          const std::function<void(pugi::xml_node copy)>& change, Reply& reply);

}  // namespace orvex::onvif
