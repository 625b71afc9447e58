#include "tools/lab/onvif_discovery.h"

#include <openssl/sha.h>

#include <cstdio>
#include <pugixml.hpp>
#include <sstream>

#include "tools/lab/onvif_soap.h"

namespace orvex::lab::onvif {
namespace {

constexpr char kGroup[] = "239.255.255.250";
constexpr uint16_t kPort = 3702;
constexpr char kDiscoveryNs[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr char kAddressingNs[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
constexpr char kNetworkNs[] = "http://www.onvif.org/ver10/network/wsdl";

// A QName of the Types list resolved against the declarations in scope of `context`.
bool TypeMatches(pugi::xml_node context, const std::string& qname) {
    const size_t colon = qname.find(':');
    const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
    const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
    const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    std::string ns;
    for (pugi::xml_node n = context; n.type() == pugi::node_element; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) {
            ns = a.value();
            break;
        }
    }
    return (ns == kNetworkNs && local == "NetworkVideoTransmitter") ||
           (ns == kDeviceNs && local == "Device");
}

}  // namespace

std::string EndpointUuid(const std::string& serial) {
    unsigned char digest[SHA_DIGEST_LENGTH];
    const std::string seed = "orvex-lab onvif " + serial;
    SHA1(reinterpret_cast<const unsigned char*>(seed.data()), seed.size(), digest);
    digest[6] = static_cast<unsigned char>((digest[6] & 0x0f) | 0x50);  // name-based, SHA-1
    digest[8] = static_cast<unsigned char>((digest[8] & 0x3f) | 0x80);
    char text[64];
    std::snprintf(text, sizeof text,
                  "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  digest[0], digest[1], digest[2], digest[3], digest[4], digest[5], digest[6],
                  digest[7], digest[8], digest[9], digest[10], digest[11], digest[12], digest[13],
                  digest[14], digest[15]);
    return text;
}

std::vector<std::string> AnswerProbe(std::string_view datagram,
                                     const std::vector<DiscoveryTarget>& targets) {
    pugi::xml_document document;
    if (!document.load_buffer(datagram.data(), datagram.size(),
                              pugi::parse_default & ~pugi::parse_doctype)) {
        return {};
    }
    pugi::xml_node envelope = document.document_element();
    if (LocalName(envelope) != "Envelope" || NamespaceOf(envelope) != kSoapEnvNs) {
        return {};
    }
    pugi::xml_node probe = Child(Child(envelope, kSoapEnvNs, "Body"), kDiscoveryNs, "Probe");
    if (!probe) {
        return {};
    }
    if (pugi::xml_node types = Child(probe, kDiscoveryNs, "Types")) {
        std::istringstream words(types.child_value());
        bool any = false, match = false;
        for (std::string word; words >> word;) {
            any = true;
            match = match || TypeMatches(types, word);
        }
        if (any && !match) {
            return {};
        }
    }
    const std::string relatesTo =
        ChildText(Child(envelope, kSoapEnvNs, "Header"), kAddressingNs, "MessageID").value_or("");
    std::vector<std::string> answers;
    int sequence = 0;
    for (const DiscoveryTarget& t : targets) {
        pugi::xml_document out;
        pugi::xml_node e = out.append_child("s:Envelope");
        e.append_attribute("xmlns:s") = kSoapEnvNs;
        e.append_attribute("xmlns:a") = kAddressingNs;
        e.append_attribute("xmlns:d") = kDiscoveryNs;
        e.append_attribute("xmlns:dn") = kNetworkNs;
        e.append_attribute("xmlns:tds") = kDeviceNs;
        pugi::xml_node header = e.append_child("s:Header");
        Add(header, "a:MessageID", EndpointUuid(t.serial + "#" + relatesTo));
        Add(header, "a:RelatesTo", relatesTo);
        Add(header, "a:To", "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous");
        Add(header, "a:Action", std::string(kDiscoveryNs) + "/ProbeMatches");
        pugi::xml_node app = header.append_child("d:AppSequence");
        app.append_attribute("InstanceId") = 1;
        app.append_attribute("MessageNumber") = ++sequence;
        pugi::xml_node match =
            e.append_child("s:Body").append_child("d:ProbeMatches").append_child("d:ProbeMatch");
        Add(match.append_child("a:EndpointReference"), "a:Address", EndpointUuid(t.serial));
        Add(match, "d:Types", "dn:NetworkVideoTransmitter tds:Device");
        std::string name;
        for (char c : t.name.empty() ? t.serial : t.name) {
            name += c == ' ' ? '_' : c;  // scopes are blank-separated
        }
        Add(match, "d:Scopes",
            "onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/Profile/Streaming "
            "onvif://www.onvif.org/hardware/OXL-IPC onvif://www.onvif.org/name/" +
                name);
        Add(match, "d:XAddrs", t.deviceService);
        Add(match, "d:MetadataVersion", 1);
        std::ostringstream text;
        out.save(text, "", pugi::format_raw);
        answers.push_back(text.str());
    }
    return answers;
}

bool DiscoveryResponder::start(std::string& error) {
    if (!socket_.open(kGroup, kPort, error)) {
        return false;
    }
    thread_ = std::thread([this] {
        while (!stopping_) {
            std::optional<net::Datagram> d = socket_.receive(200);
            if (!d) {
                continue;
            }
            for (const std::string& answer : AnswerProbe(d->bytes, targets_)) {
                socket_.send(answer, d->from);
            }
        }
    });
    return true;
}

void DiscoveryResponder::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    socket_.close();
}

}  // namespace orvex::lab::onvif
