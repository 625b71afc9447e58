// Fuzzes the lab ONVIF cameras' request readers: the SOAP envelope parser and the WS-Discovery
// probe reader. Any input must end in a request or a SoapFault, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/lab/onvif_discovery.h"
#include "tools/lab/onvif_soap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvex::lab::onvif::SoapRequest request;
    try {
        orvex::lab::onvif::ParseSoapRequest(text, request);
        (void)orvex::lab::onvif::NamespaceOf(request.operation);
    } catch (const orvex::lab::onvif::SoapFault&) {
    }
    static const std::vector<orvex::lab::onvif::DiscoveryTarget> kTargets{
        {"FUZZ1", "http://127.0.0.1/onvif/device_service", "fuzz"}};
    (void)orvex::lab::onvif::AnswerProbe(text, kTargets);
    return 0;
}
