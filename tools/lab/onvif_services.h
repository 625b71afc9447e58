// The operations of the lab ONVIF cameras' services (device, media ver10 and ver20, imaging,
// analytics): one table entry per operation, each with its handler.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lab/onvif_model.h"
#include "tools/lab/onvif_soap.h"

namespace orvex::lab::onvif {

struct OnvifSetup;
struct OnvifFaults;

// What a handler works with. Handlers run with the camera's lock held; they throw SoapFault
// to refuse, and change `state` only once every value was checked.
struct OperationContext {
    CameraState& state;
    const OnvifSetup& setup;
    const OnvifFaults& faults;
    std::string baseUrl;  // "http://address:port"
    int64_t now;          // the camera's clock, seconds since 1970
    pugi::xml_node request;
    pugi::xml_node response;  // the <prefix:NameResponse> element to fill
};

struct Operation {
    const char* ns;
    const char* name;
    const char* service;  // one of ServiceNames()
    bool needsAuth;
    bool isSet;
    void (*handler)(OperationContext&);
};

std::vector<Operation> DeviceOperations();
std::vector<Operation> MediaOperations();  // ver10 and ver20
std::vector<Operation> ImagingOperations();
std::vector<Operation> AnalyticsOperations();

// The answer prefix the envelope declares for a service namespace ("tds", "trt", ...).
const char* PrefixOf(const std::string& ns);
// Where a service listens: "/onvif/<service>_service".
std::string ServicePath(const std::string& service);

// Helpers shared by the services.
// The channel whose video source, encoder, OSD or configuration token is `token`, or ter:NoEntity.
Channel& ChannelByToken(CameraState& state, const std::string& token);
// The request child's text in the namespace of the request element; ter:InvalidArgVal when
// absent and `required`.
std::string Arg(OperationContext& c, const char* local, bool required = true);
// A whole number from text; ter:InvalidArgVal naming `what` when it is not one.
int ParseInt(const std::string& text, const char* what);
// A boolean from xs:boolean text; ter:InvalidArgVal naming `what` when it is not one.
bool ParseBool(const std::string& text, const char* what);
// Throws ter:InvalidArgVal with `reason` when it is set.
void Refuse(const std::optional<std::string>& reason);

}  // namespace orvex::lab::onvif
