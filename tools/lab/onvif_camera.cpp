#include "tools/lab/onvif_camera.h"

#include <chrono>
#include <map>
#include <utility>

#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

// Every operation of every service, by (namespace, name).
const std::map<std::pair<std::string, std::string>, Operation>& OperationTable() {
    static const auto kTable = [] {
        std::map<std::pair<std::string, std::string>, Operation> table;
        for (const auto& list :
             {DeviceOperations(), MediaOperations(), ImagingOperations(), AnalyticsOperations()}) {
            for (const Operation& op : list) {
                table.emplace(std::make_pair(std::string(op.ns), std::string(op.name)), op);
            }
        }
        return table;
    }();
    return kTable;
}

bool IsServiceNamespace(const std::string& ns) {
    return ns == kDeviceNs || ns == kMediaNs || ns == kMedia2Ns || ns == kImagingNs ||
           ns == kAnalyticsNs;
}

}  // namespace

OnvifCamera::OnvifCamera(OnvifSetup setup, const OnvifStateFolder& folder)
    : setup_(std::move(setup)), folder_(folder), faults_(setup_.faults) {}

bool OnvifCamera::open(std::string& error) {
    std::lock_guard<std::mutex> lock(lock_);
    CameraState stored;
    if (folder_.load(setup_.serial, stored)) {
        state_ = std::move(stored);
        return true;
    }
    state_ = DefaultState(setup_.serial, setup_.channels, setup_.name);
    return folder_.save(setup_.serial, state_, error);
}

void OnvifCamera::setEndpoint(const std::string& address, int32_t port) {
    address_ = address;
    port_ = port;
}

std::string OnvifCamera::deviceServiceUrl() const {
    return "http://" + address_ + ":" + std::to_string(port_) + ServicePath("device");
}

OnvifFaults OnvifCamera::faults() const {
    std::lock_guard<std::mutex> lock(lock_);
    return faults_;
}

void OnvifCamera::setFaults(const OnvifFaults& faults) {
    std::lock_guard<std::mutex> lock(lock_);
    faults_ = faults;
}

CameraState OnvifCamera::state() const {
    std::lock_guard<std::mutex> lock(lock_);
    return state_;
}

OnvifCounters OnvifCamera::counters() const {
    std::lock_guard<std::mutex> lock(lock_);
    return counters_;
}

int64_t OnvifCamera::now() const {
    const int64_t host = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    std::lock_guard<std::mutex> lock(lock_);
    return host + faults_.skewSeconds;
}

HttpAnswer OnvifCamera::handle(std::string_view body, const HttpRequestHead& head) {
    const OnvifFaults faults = this->faults();
    HttpAnswer result;
    if (faults.silent) {
        result.kind = HttpAnswer::kSilent;
        return result;
    }
    SoapRequest request;
    bool parsed = false;
    try {
        ParseSoapRequest(body, request);
        parsed = true;
        result = answer(request, head, faults);
    } catch (const SoapFault& fault) {
        result.status = FaultHttpStatus(fault.code);
        result.body = FaultEnvelope(fault.code, fault.what());
    }
    if (!parsed && faults.httpDigest && !faults.refuseLogin && head.authorization.empty()) {
        // A camera guarding its services at the HTTP layer asks for credentials before it
        // reads the body: clients such as curl probe with an empty one first.
        result.status = 401;
        result.challenge = digests_.challenge(now());
    }
    result.delayMs = faults.delayMs;
    {
        std::lock_guard<std::mutex> lock(lock_);
        ++counters_.requests;
    }
    if (!faults.dropOnOp.empty() && faults.dropOnOp == request.name) {
        result.kind = HttpAnswer::kDrop;
    }
    return result;
}

std::optional<HttpAnswer> OnvifCamera::demandDigest(const HttpRequestHead& head,
                                                    const std::string& password, int64_t clock) {
    bool stale = false;
    const std::optional<std::string> refused = digests_.check(
        head.authorization, "POST", head.path, setup_.username, password, clock, stale);
    if (!refused) {
        return std::nullopt;
    }
    // A request without credentials is the first half of the handshake, and one whose nonce
    // expired is asked again: neither is a failed login.
    if (!head.authorization.empty() && !stale) {
        ++counters_.failedLogins;
    }
    HttpAnswer result;
    result.status = 401;
    result.body = FaultEnvelope(FaultCode::kNotAuthorized, *refused);
    result.challenge = digests_.challenge(clock, stale);
    return result;
}

HttpAnswer OnvifCamera::answer(const SoapRequest& request, const HttpRequestHead& head,
                               const OnvifFaults& faults) {
    const auto& table = OperationTable();
    const auto found = table.find({request.ns, request.name});
    if (found == table.end()) {
        throw SoapFault(FaultCode::kActionNotSupported,
                        IsServiceNamespace(request.ns)
                            ? "the camera does not offer " + request.name
                            : "no service of the camera has the namespace \"" + request.ns + "\"");
    }
    const Operation& op = found->second;
    const bool serviceOff = faults.unsupported.count(op.service) != 0 ||
                            (faults.noAnalytics && std::string(op.service) == "analytics");
    if (serviceOff) {
        throw SoapFault(
            FaultCode::kActionNotSupported,
            std::string("the ") + op.service + " service does not support " + request.name);
    }
    const int64_t clock = now();
    if (op.needsAuth) {
        const std::string password =
            faults.wrongPassword ? setup_.password + "-changed" : setup_.password;
        const bool digest = faults.httpDigest && !faults.refuseLogin;
        if (digest) {
            // Checked before the token: a client answers the 401 by sending the very same body
            // again, token and all, so the token's nonce must not be spent on the first try.
            std::lock_guard<std::mutex> lock(lock_);
            if (std::optional<HttpAnswer> challenge = demandDigest(head, password, clock)) {
                return *challenge;
            }
        }
        std::optional<std::string> refused;
        if (faults.refuseLogin) {
            refused = "Sender not Authorized: the camera accepts no login now";
        } else if (!digest || request.token) {
            // Under HTTP Digest a token is optional, as on the cameras that offer both; one
            // that comes is still checked.
            refused = tokens_.check(request.token, setup_.username, password, clock,
                                    faults.allowNonceReuse);
        }
        std::lock_guard<std::mutex> lock(lock_);
        if (refused) {
            ++counters_.failedLogins;
            throw SoapFault(FaultCode::kNotAuthorized, *refused);
        }
        ++counters_.logins;
    }
    if (faults.failOp == request.name) {
        throw SoapFault(FaultCode::kActionFailed, "摄像机无法执行 " + request.name);
    }

    SoapAnswer answer;
    std::lock_guard<std::mutex> lock(lock_);
    CameraState working = state_;
    OperationContext context{
        working,
        setup_,
        faults,
        "http://" + address_ + ":" + std::to_string(port_),
        clock,
        request.operation,
        answer.body().append_child(
            (std::string(PrefixOf(op.ns)) + ":" + op.name + "Response").c_str())};
    try {
        op.handler(context);
    } catch (const SoapFault&) {
        ++(op.isSet ? counters_.setsRefused : counters_.reads);
        throw;
    }
    if (op.isSet) {
        std::string error;
        if (working != state_ && !folder_.save(setup_.serial, working, error)) {
            ++counters_.setsRefused;
            throw SoapFault(FaultCode::kActionFailed, error);
        }
        state_ = std::move(working);
        ++counters_.setsAccepted;
    } else {
        ++counters_.reads;
    }
    HttpAnswer result;
    result.body = answer.text();
    return result;
}

}  // namespace orvex::lab::onvif
