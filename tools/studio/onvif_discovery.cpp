#include "tools/studio/onvif_discovery.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <pugixml.hpp>
#include <random>
#include <sstream>

#include "platform/net/multicast_socket.h"
#include "platform/onvif/onvif_device.h"
#include "platform/onvif/onvif_media.h"
#include "platform/onvif/onvif_soap.h"
#include "platform/onvif/onvif_xml.h"

namespace orvex::site {
namespace {

constexpr char kGroup[] = "239.255.255.250";
constexpr uint16_t kPort = 3702;
constexpr char kDiscoveryNs[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr char kAddressingNs[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";

std::string RandomUuid() {
    std::random_device random;
    unsigned char b[16];
    for (unsigned char& byte : b) {
        byte = static_cast<unsigned char>(random());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    char text[48];
    std::snprintf(text, sizeof text,
                  "uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

// "http://10.0.0.5:8080/onvif/device_service" into host, port and path; false for others.
bool SplitHttpUrl(const std::string& url, ProbeAnswer& answer) {
    const std::string scheme = "http://";
    if (url.rfind(scheme, 0) != 0) {
        return false;
    }
    const size_t slash = url.find('/', scheme.size());
    const std::string authority = url.substr(scheme.size(), slash - scheme.size());
    answer.path = slash == std::string::npos ? "/" : url.substr(slash);
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']') == std::string::npos) {
        answer.host = authority.substr(0, colon);
        try {
            answer.port = std::stoi(authority.substr(colon + 1));
        } catch (const std::exception&) {
            return false;
        }
    } else {
        answer.host = authority;
        answer.port = 80;
    }
    answer.xaddr = url;
    return !answer.host.empty() && answer.port > 0 && answer.port < 65536;
}

// The first descendant element with that namespace and local name.
pugi::xml_node Find(pugi::xml_node root, const char* ns, const char* local) {
    return root.find_node([&](pugi::xml_node n) {
        return n.type() == pugi::node_element && onvif::LocalName(n) == local &&
               onvif::NamespaceOf(n) == ns;
    });
}

}  // namespace

std::string ProbeMessage(const std::string& messageId) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>)"
           R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope")"
           R"( xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing")"
           R"( xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery")"
           R"( xmlns:dn="http://www.onvif.org/ver10/network/wsdl"><s:Header>)"
           "<a:MessageID>" +
           messageId +
           "</a:MessageID><a:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
           "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>"
           "</s:Header><s:Body><d:Probe><d:Types>dn:NetworkVideoTransmitter</d:Types>"
           "</d:Probe></s:Body></s:Envelope>";
}

std::vector<ProbeAnswer> ParseProbeMatches(const std::string& datagram,
                                           const std::string& messageId) {
    pugi::xml_document document;
    if (!document.load_buffer(datagram.data(), datagram.size(),
                              pugi::parse_default & ~pugi::parse_doctype)) {
        return {};
    }
    const pugi::xml_node relatesTo = Find(document, kAddressingNs, "RelatesTo");
    const pugi::xml_node matches = Find(document, kDiscoveryNs, "ProbeMatches");
    if (!relatesTo || !matches || std::string(relatesTo.text().get()) != messageId) {
        return {};
    }
    std::vector<ProbeAnswer> answers;
    for (pugi::xml_node match : onvif::Children(matches, kDiscoveryNs, "ProbeMatch")) {
        const std::optional<std::string> xaddrs = onvif::ChildText(match, kDiscoveryNs, "XAddrs");
        if (!xaddrs) {
            continue;
        }
        std::istringstream urls(*xaddrs);
        std::string url;
        while (urls >> url) {
            ProbeAnswer answer;
            if (SplitHttpUrl(url, answer)) {
                if (pugi::xml_node ref = Find(match, kAddressingNs, "Address")) {
                    answer.endpoint = ref.text().get();
                }
                answers.push_back(answer);
                break;  // the first http address of a device is the one used
            }
        }
    }
    return answers;
}

bool Discover(const DiscoveryOptions& options, std::vector<ProbeAnswer>& answers,
              std::string& error, const std::function<void(int msLeft, size_t found)>& progress) {
    net::MulticastSocket socket;
    // Port 0: the answers come back to this socket's own port, never to the shared 3702.
    if (!socket.open(kGroup, 0, error) ||
        (!options.interface.empty() && !socket.setSendInterface(options.interface, error))) {
        return false;
    }
    const std::string messageId = RandomUuid();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kPort);
    ::inet_pton(AF_INET, kGroup, &to.sin_addr);
    if (!socket.send(ProbeMessage(messageId), to)) {
        error = "the Probe could not be sent to " + std::string(kGroup) +
                " (is there a route for multicast?)";
        return false;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.waitMs);
    for (;;) {
        const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - std::chrono::steady_clock::now())
                                              .count());
        if (progress) {
            progress(std::max(left, 0), answers.size());
        }
        if (left <= 0) {
            return true;
        }
        std::optional<net::Datagram> datagram = socket.receive(std::min(left, 200));
        if (!datagram) {
            continue;
        }
        for (ProbeAnswer& answer : ParseProbeMatches(datagram->bytes, messageId)) {
            bool seen = false;
            for (const ProbeAnswer& known : answers) {
                seen = seen || known.xaddr == answer.xaddr;
            }
            if (!seen) {
                answers.push_back(std::move(answer));
            }
        }
    }
}

CameraFacts ReadCamera(const ProbeAnswer& answer, const std::string& user,
                       const std::string& password) {
    onvif::HttpLimits limits;
    limits.requestMs = 5000;
    onvif::SoapClient client(answer.host, answer.port, user, password, limits);
    onvif::ServicePaths paths;
    paths.device = answer.path;
    onvif::DeviceInformation info;
    onvif::Reply reply;
    CameraFacts facts;
    if (!client.syncClock(reply) || !onvif::GetServices(client, paths, reply) ||
        !onvif::GetDeviceInformation(client, paths, info, reply)) {
        facts.refused = reply.failure == onvif::Failure::kAuth;
        facts.reason = reply.reason.empty() ? "no usable answer" : reply.reason;
        return facts;
    }
    facts.loggedIn = true;
    facts.serial = info.serial;
    facts.manufacturer = info.manufacturer;
    facts.model = info.model;
    std::vector<std::string> sources;
    if (!paths.media.empty() && onvif::GetVideoSources(client, paths.media, sources, reply)) {
        facts.channels = static_cast<int>(sources.size());
    }
    return facts;
}

}  // namespace orvex::site
