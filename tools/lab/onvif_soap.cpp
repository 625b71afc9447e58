#include "tools/lab/onvif_soap.h"

#include <sstream>

namespace orvex::lab::onvif {
namespace {

std::string_view Prefix(pugi::xml_node node) {
    const std::string_view name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string Trimmed(const char* text) {
    std::string_view view = text;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!view.empty() && blank(view.front())) {
        view.remove_prefix(1);
    }
    while (!view.empty() && blank(view.back())) {
        view.remove_suffix(1);
    }
    return std::string(view);
}

}  // namespace

std::string NamespaceOf(pugi::xml_node node) {
    const std::string_view prefix = Prefix(node);
    const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node n = node; n.type() == pugi::node_element; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) {
            return a.value();
        }
    }
    return "";
}

std::string_view LocalName(pugi::xml_node node) {
    const std::string_view name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
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
    return Trimmed(c.child_value());
}

void ParseSoapRequest(std::string_view body, SoapRequest& request) {
    // No DOCTYPE processing: pugixml never expands external entities, and leaving the document
    // type out of the parse keeps entity declarations from being honoured at all.
    const pugi::xml_parse_result parsed = request.document.load_buffer(
        body.data(), body.size(), pugi::parse_default & ~pugi::parse_doctype);
    if (!parsed) {
        throw SoapFault(FaultCode::kMalformed,
                        std::string("the request is not well-formed XML: ") + parsed.description());
    }
    pugi::xml_node envelope = request.document.document_element();
    if (LocalName(envelope) != "Envelope") {
        throw SoapFault(FaultCode::kMalformed, "the request is not a SOAP envelope");
    }
    if (NamespaceOf(envelope) != kSoapEnvNs) {
        throw SoapFault(FaultCode::kVersionMismatch,
                        "the envelope is not in the SOAP 1.2 namespace");
    }
    pugi::xml_node body_node = Child(envelope, kSoapEnvNs, "Body");
    if (!body_node) {
        throw SoapFault(FaultCode::kMalformed, "the envelope has no Body");
    }
    for (pugi::xml_node c = body_node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            request.operation = c;
            break;
        }
    }
    if (!request.operation) {
        throw SoapFault(FaultCode::kMalformed, "the Body holds no operation");
    }
    request.ns = NamespaceOf(request.operation);
    request.name = std::string(LocalName(request.operation));

    pugi::xml_node header = Child(envelope, kSoapEnvNs, "Header");
    pugi::xml_node token = Child(Child(header, kWsseNs, "Security"), kWsseNs, "UsernameToken");
    if (token) {
        UsernameToken t;
        t.username = ChildText(token, kWsseNs, "Username").value_or("");
        pugi::xml_node password = Child(token, kWsseNs, "Password");
        t.password = Trimmed(password.child_value());
        t.passwordType = password.attribute("Type").value();
        t.nonce = ChildText(token, kWsseNs, "Nonce").value_or("");
        t.created = ChildText(token, kWsuNs, "Created").value_or("");
        request.token = std::move(t);
    }
}

SoapAnswer::SoapAnswer() {
    pugi::xml_node declaration = document_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node envelope = document_.append_child("s:Envelope");
    envelope.append_attribute("xmlns:s") = kSoapEnvNs;
    envelope.append_attribute("xmlns:tt") = kSchemaNs;
    envelope.append_attribute("xmlns:tds") = kDeviceNs;
    envelope.append_attribute("xmlns:trt") = kMediaNs;
    envelope.append_attribute("xmlns:tr2") = kMedia2Ns;
    envelope.append_attribute("xmlns:timg") = kImagingNs;
    envelope.append_attribute("xmlns:tan") = kAnalyticsNs;
    envelope.append_attribute("xmlns:ter") = kErrorNs;
    body_ = envelope.append_child("s:Body");
}

std::string SoapAnswer::text() const {
    std::ostringstream out;
    document_.save(out, "", pugi::format_raw);
    return out.str();
}

int FaultHttpStatus(FaultCode code) {
    // Sender faults are the client's doing (400); the camera's own failures are 500.
    return code == FaultCode::kActionFailed || code == FaultCode::kActionNotSupported ? 500 : 400;
}

std::string FaultEnvelope(FaultCode code, const std::string& reason) {
    const char* value = "s:Sender";
    const char* subcode = nullptr;
    switch (code) {
        case FaultCode::kVersionMismatch:
            value = "s:VersionMismatch";
            break;
        case FaultCode::kMalformed:
            subcode = "ter:WellFormed";
            break;
        case FaultCode::kNotAuthorized:
            subcode = "ter:NotAuthorized";
            break;
        case FaultCode::kActionNotSupported:
            value = "s:Receiver";
            subcode = "ter:ActionNotSupported";
            break;
        case FaultCode::kInvalidArgVal:
            subcode = "ter:InvalidArgVal";
            break;
        case FaultCode::kNoEntity:
            subcode = "ter:NoEntity";
            break;
        case FaultCode::kActionFailed:
            value = "s:Receiver";
            subcode = "ter:Action";
            break;
    }
    SoapAnswer answer;
    pugi::xml_node fault = answer.body().append_child("s:Fault");
    pugi::xml_node codeNode = fault.append_child("s:Code");
    Add(codeNode, "s:Value", value);
    if (subcode != nullptr) {
        Add(codeNode.append_child("s:Subcode"), "s:Value", subcode);
    }
    pugi::xml_node text = Add(fault.append_child("s:Reason"), "s:Text", reason);
    text.append_attribute("xml:lang") = "zh-CN";  // the lab's cameras answer in Chinese
    return answer.text();
}

pugi::xml_node Add(pugi::xml_node parent, const char* name, const std::string& text) {
    pugi::xml_node node = parent.append_child(name);
    node.text().set(text.c_str());
    return node;
}

pugi::xml_node Add(pugi::xml_node parent, const char* name, long value) {
    pugi::xml_node node = parent.append_child(name);
    node.text().set(value);
    return node;
}

}  // namespace orvex::lab::onvif
