#include "platform/onvif/onvif_soap.h"

#include <ctime>
#include <sstream>

#include "platform/onvif/onvif_auth.h"
#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

constexpr char kDigestType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest";
constexpr char kBase64Type[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0"
    "#Base64Binary";

// The innermost subcode value of a fault, without its prefix ("NotAuthorized").
std::string InnermostSubcode(pugi::xml_node code) {
    std::string found;
    for (pugi::xml_node sub = Child(code, kSoapNs, "Subcode"); sub;
         sub = Child(sub, kSoapNs, "Subcode")) {
        if (std::optional<std::string> value = ChildText(sub, kSoapNs, "Value")) {
            const size_t colon = value->find(':');
            found = colon == std::string::npos ? *value : value->substr(colon + 1);
        }
    }
    return found;
}

Failure FailureOfSubcode(const std::string& subcode) {
    if (subcode == "NotAuthorized" || subcode == "FailedAuthentication" ||
        subcode == "InvalidSecurity") {
        return Failure::kAuth;
    }
    if (subcode == "ActionNotSupported" || subcode == "NotSupported") {
        return Failure::kUnsupported;
    }
    return Failure::kDevice;
}

void Fail(Reply& reply, Failure failure, std::string reason) {
    reply.failure = failure;
    reply.reason = std::move(reason);
    reply.answer = {};
}

}  // namespace

bool CopyFailure(const Reply& from, Reply& to) {
    to.failure = from.failure;
    to.reason = from.reason;
    to.subcode = from.subcode;
    to.answer = {};
    return false;
}

Arguments TokenArgument(const char* element, const std::string& value) {
    return
        [element, value](pugi::xml_node op) { op.append_child(element).text().set(value.c_str()); };
}

void ParseSoapAnswer(std::string_view text, int httpStatus, Reply& reply) {
    reply.failure = Failure::kNone;
    reply.reason.clear();
    reply.subcode.clear();
    reply.answer = {};
    // No document type: entity declarations in an answer are never honoured.
    const pugi::xml_parse_result parsed = reply.document.load_buffer(
        text.data(), text.size(), pugi::parse_default & ~pugi::parse_doctype);
    pugi::xml_node envelope = reply.document.document_element();
    if (!parsed || LocalName(envelope) != "Envelope" || NamespaceOf(envelope) != kSoapNs) {
        if (httpStatus == 401) {
            return Fail(reply, Failure::kAuth, "摄像机拒绝了用户名或密码");
        }
        return Fail(reply, Failure::kMalformed,
                    "the camera's answer is not a SOAP 1.2 envelope (HTTP " +
                        std::to_string(httpStatus) + ")");
    }
    pugi::xml_node body = Child(envelope, kSoapNs, "Body");
    pugi::xml_node first;
    for (pugi::xml_node c = body.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            first = c;
            break;
        }
    }
    if (!first) {
        return Fail(reply, Failure::kMalformed, "摄像机应答内容为空");
    }
    if (LocalName(first) == "Fault" && NamespaceOf(first) == kSoapNs) {
        reply.subcode = InnermostSubcode(Child(first, kSoapNs, "Code"));
        std::string reason =
            ChildText(Child(first, kSoapNs, "Reason"), kSoapNs, "Text").value_or("");
        if (reason.empty()) {
            reason = reply.subcode.empty() ? "the camera answered a fault" : reply.subcode;
        }
        return Fail(reply, FailureOfSubcode(reply.subcode), std::move(reason));
    }
    if (httpStatus < 200 || httpStatus >= 300) {
        return Fail(reply, Failure::kMalformed,
                    "the camera answered HTTP " + std::to_string(httpStatus) + " without a fault");
    }
    reply.answer = first;
}

std::string RequestEnvelope(std::string_view ns, std::string_view op, const Arguments& arguments,
                            const UsernameToken* token) {
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node envelope = document.append_child("s:Envelope");
    for (const char* known :
         {kSoapNs, kSchemaNs, kDeviceNs, kMediaNs, kMedia2Ns, kImagingNs, kAnalyticsNs}) {
        envelope.append_attribute(("xmlns:" + std::string(PrefixOf(known))).c_str()) = known;
    }
    if (token != nullptr) {
        pugi::xml_node security = envelope.append_child("s:Header").append_child("wsse:Security");
        security.append_attribute("xmlns:wsse") = kWsseNs;
        security.append_attribute("xmlns:wsu") = kWsuNs;
        security.append_attribute("s:mustUnderstand") = "true";
        pugi::xml_node t = security.append_child("wsse:UsernameToken");
        t.append_child("wsse:Username").text().set(token->username.c_str());
        pugi::xml_node password = t.append_child("wsse:Password");
        password.append_attribute("Type") = kDigestType;
        password.text().set(token->digest.c_str());
        pugi::xml_node nonce = t.append_child("wsse:Nonce");
        nonce.append_attribute("EncodingType") = kBase64Type;
        nonce.text().set(token->nonce.c_str());
        t.append_child("wsu:Created").text().set(token->created.c_str());
    }
    const std::string name = std::string(PrefixOf(ns)) + ":" + std::string(op);
    pugi::xml_node operation = envelope.append_child("s:Body").append_child(name.c_str());
    if (arguments) {
        arguments(operation);
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_raw);
    return out.str();
}

bool CallAndRead(SoapClient& c, const std::string& path, std::string_view ns, std::string_view op,
                 const Arguments& arguments, const std::function<void(pugi::xml_node answer)>& read,
                 Reply& reply) {
    c.call(path, ns, op, arguments, reply);
    if (reply.ok()) {
        read(reply.answer);
    }
    return reply.ok();
}

std::optional<int64_t> CameraUtc(pugi::xml_node answer) {
    pugi::xml_node utc =
        Child(Child(answer, kDeviceNs, "SystemDateAndTime"), kSchemaNs, "UTCDateTime");
    pugi::xml_node date = Child(utc, kSchemaNs, "Date");
    pugi::xml_node time = Child(utc, kSchemaNs, "Time");
    const auto y = ChildInt(date, "Year"), mo = ChildInt(date, "Month"), d = ChildInt(date, "Day");
    const auto h = ChildInt(time, "Hour"), mi = ChildInt(time, "Minute"),
               s = ChildInt(time, "Second");
    if (!y || !mo || !d || !h || !mi || !s) {
        return std::nullopt;
    }
    return UtcSeconds(*y, *mo, *d, *h, *mi, *s);
}

SoapClient::SoapClient(std::string host, int32_t port, std::string username, std::string password,
                       HttpLimits limits)
    : host_(std::move(host)),
      port_(port),
      username_(std::move(username)),
      password_(std::move(password)),
      link_(host_, port_, limits),
      skew_(RememberedSkew(host_ + ":" + std::to_string(port_))) {
    // Cameras that guard their services with HTTP Digest get it as well as the token.
    link_.setDigestCredentials(username_, password_);
}

bool SoapClient::syncClock(Reply& reply) {
    callAnonymous("/onvif/device_service", kDeviceNs, "GetSystemDateAndTime", nullptr, reply);
    if (!reply.ok()) {
        return false;
    }
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    const std::optional<int64_t> camera = CameraUtc(reply.answer);
    if (!camera) {
        // A camera without a UTC time keeps the remembered skew; its tokens may still pass.
        return true;
    }
    skew_ = *camera - before;
    RememberSkew(host_ + ":" + std::to_string(port_), skew_);
    return true;
}

void SoapClient::call(const std::string& path, std::string_view ns, std::string_view op,
                      const Arguments& arguments, Reply& reply) {
    send(path, ns, op, arguments, true, reply);
}

void SoapClient::callAnonymous(const std::string& path, std::string_view ns, std::string_view op,
                               const Arguments& arguments, Reply& reply) {
    send(path, ns, op, arguments, false, reply);
}

void SoapClient::send(const std::string& path, std::string_view ns, std::string_view op,
                      const Arguments& arguments, bool authenticate, Reply& reply) {
    std::optional<UsernameToken> token;
    if (authenticate) {
        token = MakeToken(username_, password_, static_cast<int64_t>(std::time(nullptr)) + skew_);
    }
    const std::string envelope = RequestEnvelope(ns, op, arguments, token ? &*token : nullptr);
    HttpAnswer answer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        answer = link_.post(path, envelope);
    }
    switch (answer.kind) {
        case HttpAnswer::kAnswered:
            ParseSoapAnswer(answer.body, answer.status, reply);
            return;
        case HttpAnswer::kNoConnect:
            return Fail(reply, Failure::kConnect, "无法连接摄像机");
        case HttpAnswer::kTimeout:
            return Fail(reply, Failure::kTimeout, "摄像机响应超时");
        case HttpAnswer::kTooLarge:
            return Fail(reply, Failure::kMalformed, "摄像机应答过大");
        case HttpAnswer::kClosed:
            break;
    }
    Fail(reply, Failure::kClosed, "摄像机断开了连接");
}

}  // namespace orvex::onvif
