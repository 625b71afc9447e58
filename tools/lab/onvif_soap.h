// The lab ONVIF cameras' SOAP layer: reads a request envelope with namespaces resolved (the
// client picks its own prefixes), and writes answer and fault envelopes.
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::lab::onvif {

inline constexpr char kSoapEnvNs[] = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr char kDeviceNs[] = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr char kMediaNs[] = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr char kMedia2Ns[] = "http://www.onvif.org/ver20/media/wsdl";
inline constexpr char kImagingNs[] = "http://www.onvif.org/ver20/imaging/wsdl";
inline constexpr char kAnalyticsNs[] = "http://www.onvif.org/ver20/analytics/wsdl";
inline constexpr char kSchemaNs[] = "http://www.onvif.org/ver10/schema";
inline constexpr char kErrorNs[] = "http://www.onvif.org/ver10/error";
inline constexpr char kWsseNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr char kWsuNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr char kPasswordDigestType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest";

// The namespace URI of an element, from the xmlns declarations in scope ("" when none).
std::string NamespaceOf(pugi::xml_node node);
// The element name without its prefix.
std::string_view LocalName(pugi::xml_node node);
// The first child element with that namespace and local name; empty when there is none.
pugi::xml_node Child(pugi::xml_node parent, std::string_view ns, std::string_view local);
// Every child element with that namespace and local name, in order.
std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local);
// The text of Child(parent, ns, local) with blanks around it removed; nothing when absent.
std::optional<std::string> ChildText(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local);

// The WS-Security UsernameToken of a request header, as sent.
struct UsernameToken {
    std::string username;
    std::string password;
    std::string passwordType;
    std::string nonce;    // base64 as sent
    std::string created;  // xs:dateTime as sent
};

// A parsed request: the operation element of the body and the header's token, if any.
struct SoapRequest {
    pugi::xml_document document;
    pugi::xml_node operation;
    std::string ns;    // the operation's namespace URI
    std::string name;  // the operation's local name
    std::optional<UsernameToken> token;
};

// The standard faults a camera answers with.
enum class FaultCode {
    kVersionMismatch,     // not a SOAP 1.2 envelope
    kMalformed,           // not XML, or not an envelope with one operation in its body
    kNotAuthorized,       // ter:NotAuthorized
    kActionNotSupported,  // ter:ActionNotSupported
    kInvalidArgVal,       // ter:InvalidArgVal
    kNoEntity,            // ter:NoEntity (unknown token)
    kActionFailed,        // ter:Action (the camera could not do it)
};

// A fault with the camera's own reason text; thrown by the operation handlers.
struct SoapFault : std::runtime_error {
    SoapFault(FaultCode code, const std::string& reason) : std::runtime_error(reason), code(code) {}
    FaultCode code;
};

// Parses `body` as a SOAP 1.2 request. Throws SoapFault (kVersionMismatch or kMalformed) when it
// is not one. Any thread.
void ParseSoapRequest(std::string_view body, SoapRequest& request);

// An answer envelope under construction: `body()` is the s:Body element, and the envelope
// declares the prefixes s, tt, tds, trt, tr2, timg, tan and ter for use in element names.
class SoapAnswer {
  public:
    SoapAnswer();
    pugi::xml_node body() { return body_; }
    std::string text() const;

  private:
    pugi::xml_document document_;
    pugi::xml_node body_;
};

// The fault envelope for `code` with `reason`, and the HTTP status that goes with it.
std::string FaultEnvelope(FaultCode code, const std::string& reason);
int FaultHttpStatus(FaultCode code);

// Appends <name>text</name> to `parent` and returns it.
pugi::xml_node Add(pugi::xml_node parent, const char* name, const std::string& text);
pugi::xml_node Add(pugi::xml_node parent, const char* name, long value);

}  // namespace orvex::lab::onvif
