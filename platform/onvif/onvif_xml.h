// ONVIF XML: the namespaces the client speaks, element lookup by namespace URI and local name
// (whatever prefixes a camera picks), and copying a camera's element into a request.
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::onvif {

inline constexpr char kSoapNs[] = "http://www.w3.org/2003/05/soap-envelope";
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

// All functions are pure over the nodes they are given; any thread, one document per thread.

// The namespace URI of an element from the declarations in scope ("" when none).
std::string NamespaceOf(pugi::xml_node node);
// The element's name without its prefix.
std::string_view LocalName(pugi::xml_node node);
// The URI a QName's prefix stands for where `node` is ("tt:Foo" -> the tt namespace).
std::string NamespaceOfPrefix(pugi::xml_node node, std::string_view qname);
// The first child element with that namespace and local name; empty when there is none.
pugi::xml_node Child(pugi::xml_node parent, std::string_view ns, std::string_view local);
// Every child element with that namespace and local name, in document order.
std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local);
// The trimmed text of Child(parent, ns, local); nothing when the child is absent.
std::optional<std::string> ChildText(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local);
// The trimmed text of a child of the ONVIF schema namespace, parsed as by ParseInt.
std::optional<int> ChildInt(pugi::xml_node parent, std::string_view local);
// A number from text with blanks around it, to the nearest whole number ("50", "50.000000" and
// "4.95e1" are 50); nothing for anything else, infinities, NaN and values beyond int included.
std::optional<int> ParseInt(std::string_view text);
// xs:boolean: "true"/"1" or "false"/"0".
std::optional<bool> ParseBool(std::string_view text);

// The prefix the client's requests use for a namespace URI ("tt", "tds", ...); empty for one the
// envelope does not declare.
std::string_view PrefixOf(std::string_view ns);

// Appends a copy of `source` (an element of a camera's answer) to `parent` with every element
// renamed to the client's prefix for its namespace (undeclared namespaces get a declaration of
// their own), so the copy means the same in the request envelope. Returns the copy.
pugi::xml_node CopyElement(pugi::xml_node parent, pugi::xml_node source, const char* name);

// The schema-namespace child `local` of `parent`, appended (as tt:local) when absent.
pugi::xml_node ChildOrAdd(pugi::xml_node parent, std::string_view local);
// Sets the text of the schema-namespace child `local` of `parent`, appending it when absent.
void SetChildText(pugi::xml_node parent, std::string_view local, const std::string& text);

}  // namespace orvex::onvif
