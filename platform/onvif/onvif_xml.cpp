#include "platform/onvif/onvif_xml.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orvex::onvif {
namespace {

std::string_view PrefixPart(std::string_view qname) {
    const size_t colon = qname.find(':');
    return colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
}

std::string_view LocalPart(std::string_view qname) {
    const size_t colon = qname.find(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

struct KnownPrefix {
    const char* prefix;
    const char* ns;
};
constexpr KnownPrefix kKnown[] = {
    {"s", kSoapNs},     {"tt", kSchemaNs},    {"tds", kDeviceNs},    {"trt", kMediaNs},
    {"tr2", kMedia2Ns}, {"timg", kImagingNs}, {"tan", kAnalyticsNs}, {"ter", kErrorNs},
    {"wsse", kWsseNs},  {"wsu", kWsuNs},
};

// Copies `source` under `parent` as `name` (a client QName), then its attributes and children.
// `depth` bounds the recursion for answers nested absurdly deep.
pugi::xml_node CopyInto(pugi::xml_node parent, pugi::xml_node source, const std::string& name,
                        int& declared, int depth) {
    pugi::xml_node copy = parent.append_child(name.c_str());
    for (pugi::xml_attribute a : source.attributes()) {
        const std::string_view attr = a.name();
        if (attr == "xmlns" || attr.starts_with("xmlns:")) {
            continue;
        }
        std::string value = a.value();
        // A QName value (a rule's or module's Type) is written with the client's prefix.
        if (attr == "Type" && !PrefixPart(value).empty()) {
            const std::string ns = NamespaceOfPrefix(source, value);
            if (!PrefixOf(ns).empty()) {
                value = std::string(PrefixOf(ns)) + ":" + std::string(LocalPart(value));
            }
        }
        copy.append_attribute(a.name()) = value.c_str();
    }
    for (pugi::xml_node c = source.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            copy.append_child(pugi::node_pcdata).set_value(c.value());
        } else if (c.type() == pugi::node_element && depth < 64) {
            const std::string ns = NamespaceOf(c);
            std::string prefix(PrefixOf(ns));
            bool declare = false;
            if (prefix.empty() && !ns.empty()) {
                prefix = "ns" + std::to_string(++declared);
                declare = true;
            }
            const std::string childName = prefix.empty() ? std::string(LocalName(c))
                                                         : prefix + ":" + std::string(LocalName(c));
            pugi::xml_node child = CopyInto(copy, c, childName, declared, depth + 1);
            if (declare) {
                child.append_attribute(("xmlns:" + prefix).c_str()) = ns.c_str();
            }
        }
    }
    return copy;
}

}  // namespace

std::string NamespaceOfPrefix(pugi::xml_node node, std::string_view qname) {
    const std::string_view prefix = PrefixPart(qname);
    const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node n = node; n.type() == pugi::node_element; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) {
            return a.value();
        }
    }
    return "";
}

std::string NamespaceOf(pugi::xml_node node) {
    return NamespaceOfPrefix(node, node.name());
}

std::string_view LocalName(pugi::xml_node node) {
    return LocalPart(node.name());
}

pugi::xml_node Child(pugi::xml_node parent, std::string_view ns, std::string_view local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && LocalName(c) == local && NamespaceOf(c) == ns) {
            return c;
        }
    }
    return {};
}

std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && LocalName(c) == local && NamespaceOf(c) == ns) {
            found.push_back(c);
        }
    }
    return found;
}

std::optional<std::string> ChildText(pugi::xml_node parent, std::string_view ns,
                                     std::string_view local) {
    pugi::xml_node c = Child(parent, ns, local);
    if (!c) {
        return std::nullopt;
    }
    return std::string(Trim(c.child_value()));
}

std::optional<int> ParseInt(std::string_view text) {
    text = Trim(text);
    const char* const last = text.data() + text.size();
    int value = 0;
    const std::from_chars_result whole = std::from_chars(text.data(), last, value);
    if (whole.ec == std::errc() && whole.ptr == last && !text.empty()) {
        return value;
    }
    // Many of ONVIF's numbers are xs:float (imaging levels, quality, Media2 frame rates), and
    // cameras write them as "50.000000" or "1e2": those are read to the nearest whole number.
    double real = 0;
    const std::from_chars_result fraction = std::from_chars(text.data(), last, real);
    if (fraction.ec != std::errc() || fraction.ptr != last || text.empty() ||
        !std::isfinite(real) || real < std::numeric_limits<int>::min() ||
        real > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(real));
}

std::optional<int> ChildInt(pugi::xml_node parent, std::string_view local) {
    const std::optional<std::string> text = ChildText(parent, kSchemaNs, local);
    return text ? ParseInt(*text) : std::nullopt;
}

std::optional<bool> ParseBool(std::string_view text) {
    text = Trim(text);
    if (text == "true" || text == "1") {
        return true;
    }
    if (text == "false" || text == "0") {
        return false;
    }
    return std::nullopt;
}

std::string_view PrefixOf(std::string_view ns) {
    for (const KnownPrefix& k : kKnown) {
        if (ns == k.ns) {
            return k.prefix;
        }
    }
    return {};
}

pugi::xml_node CopyElement(pugi::xml_node parent, pugi::xml_node source, const char* name) {
    int declared = 0;
    return CopyInto(parent, source, name, declared, 0);
}

pugi::xml_node ChildOrAdd(pugi::xml_node parent, std::string_view local) {
    pugi::xml_node c = Child(parent, kSchemaNs, local);
    return c ? c : parent.append_child(("tt:" + std::string(local)).c_str());
}

void SetChildText(pugi::xml_node parent, std::string_view local, const std::string& text) {
    ChildOrAdd(parent, local).text().set(text.c_str());
}

}  // namespace orvex::onvif
