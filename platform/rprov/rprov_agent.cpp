#include "platform/rprov/rprov_agent.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/rprov/rprov_auth.h"
#include "platform/rprov/rprov_onvif_driver.h"
#include "platform/rprov/rprov_range_codec.h"
#include "platform/rprov/rprov_session.h"

namespace orvex::rprov {
namespace {

constexpr int32_t kDefaultConnectMs = 3000;
constexpr int32_t kDefaultRequestMs = 10000;

std::atomic<int32_t> connectMs{kDefaultConnectMs};
std::atomic<int32_t> requestMs{kDefaultRequestMs};
std::once_flag limitsRead;

int32_t FromEnvironment(const char* name, int32_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && value > 0 && value <= 3'600'000)
               ? static_cast<int32_t>(value)
               : fallback;
}

void ReadLimitsOnce() {
    std::call_once(limitsRead, [] {
        connectMs = FromEnvironment("RPROV_CONNECT_TIMEOUT_MS", kDefaultConnectMs);
        requestMs = FromEnvironment("RPROV_REQUEST_TIMEOUT_MS", kDefaultRequestMs);
    });
}

Clock::time_point RequestDeadline() {
    return Clock::now() + std::chrono::milliseconds(requestMs.load());
}

// One open login: its session (device protocol) or its ONVIF driver, and the lock that makes
// calls on it take turns.
struct Login {
    std::mutex lock;
    std::optional<Session> session;
    std::unique_ptr<OnvifDriver> onvif;
    explicit Login(Socket socket) : session(std::in_place, std::move(socket)) {}
    explicit Login(std::unique_ptr<OnvifDriver> driver) : onvif(std::move(driver)) {}
};

class LoginTable {
  public:
    // Stores `login` under the smallest free positive handle.
    int32_t add(std::shared_ptr<Login> login) {
        std::lock_guard<std::mutex> guard(lock_);
        int32_t handle = 1;
        for (const auto& entry : logins_) {
            if (entry.first != handle) {
                break;
            }
            ++handle;
        }
        logins_.emplace(handle, std::move(login));
        return handle;
    }
    std::shared_ptr<Login> find(int32_t handle) {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = logins_.find(handle);
        return it == logins_.end() ? nullptr : it->second;
    }
    std::shared_ptr<Login> remove(int32_t handle) {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = logins_.find(handle);
        if (it == logins_.end()) {
            return nullptr;
        }
        std::shared_ptr<Login> login = std::move(it->second);
        logins_.erase(it);
        return login;
    }

  private:
    std::mutex lock_;
    std::map<int32_t, std::shared_ptr<Login>> logins_;
};

LoginTable& Logins() {
    static LoginTable* table = new LoginTable;  // used until the process ends
    return *table;
}

// The reason of the calling thread's last failed call.
thread_local int32_t lastError = RPROV_ERR_NONE;

bool Fail(int32_t error) {
    lastError = error;
    return false;
}

bool Succeed() {
    lastError = RPROV_ERR_NONE;
    return true;
}

int32_t ErrorOf(CallResult result) {
    switch (result) {
        case CallResult::kOk:
            return RPROV_ERR_NONE;
        case CallResult::kTimeout:
            return RPROV_ERR_TIMEOUT;
        case CallResult::kMalformed:
            return RPROV_ERR_MALFORMED;
        case CallResult::kClosed:
        case CallResult::kBroken:
            break;
    }
    return RPROV_ERR_CLOSED;
}

int32_t ErrorOfOnvif(onvif::Failure failure) {
    switch (failure) {
        case onvif::Failure::kNone:
            return RPROV_ERR_NONE;
        case onvif::Failure::kConnect:
            return RPROV_ERR_CONNECT;
        case onvif::Failure::kTimeout:
            return RPROV_ERR_TIMEOUT;
        case onvif::Failure::kClosed:
            return RPROV_ERR_CLOSED;
        case onvif::Failure::kMalformed:
            return RPROV_ERR_MALFORMED;
        case onvif::Failure::kAuth:
            return RPROV_ERR_AUTH;
        case onvif::Failure::kUnsupported:
            return RPROV_ERR_UNSUPPORTED;
        case onvif::Failure::kWrongSerial:
            return RPROV_ERR_WRONG_SERIAL;
        case onvif::Failure::kDevice:
            break;
    }
    return RPROV_ERR_DEVICE;
}

// Records the outcome of an ONVIF driver call; true when it succeeded.
bool OnvifOutcome(const DriverResult& result) {
    return result.ok() ? Succeed() : Fail(ErrorOfOnvif(result.failure));
}

// The class of a camera's refusal, so callers can tell a wrong password from a refused value.
int32_t ErrorOfStatus(uint16_t status) {
    switch (status) {
        case STATUS_OK:
            return RPROV_ERR_NONE;
        case STATUS_AUTH_FAILED:
            return RPROV_ERR_AUTH;
        case STATUS_LOGIN_REFUSED:
            return RPROV_ERR_REFUSED;
        case STATUS_WRONG_SERIAL:
            return RPROV_ERR_WRONG_SERIAL;
        case STATUS_BAD_ITEM:
        case STATUS_UNKNOWN_OP:
            return RPROV_ERR_UNSUPPORTED;
        default:
            return RPROV_ERR_DEVICE;
    }
}

// Records the outcome of one exchange; true when the camera answered STATUS_OK.
bool Outcome(CallResult result, const Reply& reply) {
    if (result != CallResult::kOk) {
        return Fail(ErrorOf(result));
    }
    return reply.status == STATUS_OK ? Succeed() : Fail(ErrorOfStatus(reply.status));
}

const char* FailureText(CallResult result) {
    switch (result) {
        case CallResult::kTimeout:
            return "设备响应超时";
        case CallResult::kClosed:
            return "设备断开了连接";
        case CallResult::kMalformed:
            return "设备应答无效";
        case CallResult::kBroken:
        case CallResult::kOk:
            break;
    }
    return "未连接到设备";
}

// One exchange on an open handle. `message` (when given) receives the camera's message or the
// library's own text for a failed exchange. True when the camera answered with STATUS_OK.
bool Exchange(int32_t handle, uint16_t op, std::span<const uint8_t> body, Reply& reply,
              std::string* message) {
    std::shared_ptr<Login> login = Logins().find(handle);
    if (!login) {
        if (message != nullptr) {
            *message = "登录句柄无效";
        }
        return Fail(RPROV_ERR_ARGUMENT);
    }
    CallResult result;
    {
        std::lock_guard<std::mutex> guard(login->lock);
        result = login->session->call(op, body, RequestDeadline(), reply);
    }
    // (ONVIF handles never reach here: every call dispatches on the handle's driver first.)
    if (message != nullptr) {
        *message = result == CallResult::kOk ? reply.message : FailureText(result);
    }
    return Outcome(result, reply);
}

onvif::HttpLimits OnvifLimits() {
    onvif::HttpLimits limits;
    limits.connectMs = connectMs.load();
    limits.requestMs = requestMs.load();
    return limits;
}

bool LoginOnvif(const std::string& devip, int32_t port, const std::string& userName,
                const std::string& passwd, int32_t& handle, orvex::LoginDeviceInfo& info) {
    auto driver = std::make_unique<OnvifDriver>(devip, port, userName, passwd, OnvifLimits());
    orvex::LoginDeviceInfo filled;
    if (!OnvifOutcome(driver->login(filled))) {
        return false;
    }
    info = filled;
    handle = Logins().add(std::make_shared<Login>(std::move(driver)));
    return Succeed();
}

// The ONVIF driver of an open handle, or null (a device-protocol handle or none).
std::shared_ptr<Login> OnvifLogin(int32_t handle) {
    std::shared_ptr<Login> login = Logins().find(handle);
    return login && login->onvif ? login : nullptr;
}

}  // namespace
}  // namespace orvex::rprov

using namespace orvex::rprov;

bool RPROV_Init() {
    ReadLimitsOnce();
    return Succeed();
}

int32_t RPROV_GetLastError() {
    return lastError;
}

void RPROV_SetLimits(int32_t connectTimeoutMs, int32_t requestTimeoutMs) {
    ReadLimitsOnce();  // a later first use must not overwrite what is set here
    connectMs = connectTimeoutMs > 0 ? connectTimeoutMs : kDefaultConnectMs;
    requestMs = requestTimeoutMs > 0 ? requestTimeoutMs : kDefaultRequestMs;
}

bool RPROV_Login_Dev(const std::string& devip, int32_t port, const std::string& passwd,
                     int32_t& handle, orvex::LoginDeviceInfo& info, bool newDev) {
    return RPROV_Login_DevAs(RPROV_PROTOCOL_DEVICE, devip, port, "", passwd, handle, info, newDev);
}

bool RPROV_Login_DevAs(int32_t protocol, const std::string& devip, int32_t port,
                       const std::string& userName, const std::string& passwd, int32_t& handle,
                       orvex::LoginDeviceInfo& info, bool newDev) {
    ReadLimitsOnce();
    if (protocol == RPROV_PROTOCOL_ONVIF) {
        return LoginOnvif(devip, port, userName, passwd, handle, info);
    }
    if (protocol != RPROV_PROTOCOL_DEVICE) {
        return Fail(RPROV_ERR_ARGUMENT);
    }
    Socket socket = ConnectTcp(devip, port, std::chrono::milliseconds(connectMs.load()));
    if (!socket.valid()) {
        return Fail(RPROV_ERR_CONNECT);
    }
    auto login = std::make_shared<Login>(std::move(socket));
    // Both exchanges of the login share one request's time.
    const Clock::time_point deadline = RequestDeadline();
    const std::vector<uint8_t> clientNonce = MakeNonce();
    Reply hello;
    if (!Outcome(login->session->call(OP_HELLO, clientNonce, deadline, hello), hello)) {
        return false;
    }
    std::optional<Nonce> cameraNonce = DecodeNonce(hello.payload);
    if (!cameraNonce) {
        return Fail(RPROV_ERR_MALFORMED);
    }
    LoginRequest request;
    request.newDev = newDev;
    request.proof = ClientProof(passwd, *cameraNonce, clientNonce, newDev);
    Reply answer;
    if (!Outcome(login->session->call(OP_LOGIN, EncodeLoginRequest(request), deadline, answer),
                 answer)) {
        return false;
    }
    std::optional<LoginReply> reply = DecodeLoginReply(answer.payload);
    if (!reply) {
        return Fail(RPROV_ERR_MALFORMED);
    }
    // A camera that cannot prove it knows the password is not the camera asked for.
    if (!ProofsEqual(reply->cameraProof, CameraProof(passwd, clientNonce, *cameraNonce))) {
        return Fail(RPROV_ERR_AUTH);
    }
    info.clear();
    info.setDeviceName(reply->deviceName);
    info.setSerialNumber(reply->serial);
    handle = Logins().add(std::move(login));
    return Succeed();
}

bool RPROV_Logout_Dev(int32_t handle) {
    std::shared_ptr<Login> login = Logins().remove(handle);
    if (!login) {
        return Fail(RPROV_ERR_ARGUMENT);
    }
    std::lock_guard<std::mutex> guard(login->lock);
    if (login->onvif) {
        return Succeed();  // ONVIF has no session to end: its connection closes with the driver
    }
    if (!login->session->broken()) {
        Reply reply;
        login->session->call(OP_LOGOUT, {}, RequestDeadline(), reply);
    }
    login->session->close();
    return Succeed();
}

bool RPROV_GetConfig(int32_t handle, const std::string& serial, int32_t channelNo,
                     orvex::DeviceConfig& config) {
    if (std::shared_ptr<Login> login = OnvifLogin(handle)) {
        std::lock_guard<std::mutex> guard(login->lock);
        auto read = std::make_unique<orvex::DeviceConfig>();
        if (!OnvifOutcome(login->onvif->getConfig(serial, channelNo, *read))) {
            return false;
        }
        config = *read;
        return true;
    }
    std::optional<std::vector<uint8_t>> body = EncodeChannelRequest({channelNo, serial});
    if (!body) {
        return Fail(RPROV_ERR_ARGUMENT);
    }
    Reply reply;
    if (!Exchange(handle, OP_GET_CONFIG, *body, reply, nullptr)) {
        return false;
    }
    if (reply.payload.size() != orvex::DeviceConfig::kSize) {
        return Fail(RPROV_ERR_MALFORMED);
    }
    std::copy(reply.payload.begin(), reply.payload.end(), config.data());
    return Succeed();
}

bool RPROV_GetCfgRange(int32_t handle, const std::string& serial, int32_t channelNo,
                       orvex::ConfigRange& range) {
    if (std::shared_ptr<Login> login = OnvifLogin(handle)) {
        std::lock_guard<std::mutex> guard(login->lock);
        orvex::ConfigRange read;
        if (!OnvifOutcome(login->onvif->getRange(serial, channelNo, read))) {
            return false;
        }
        range = std::move(read);
        return true;
    }
    std::optional<std::vector<uint8_t>> body = EncodeChannelRequest({channelNo, serial});
    if (!body) {
        return Fail(RPROV_ERR_ARGUMENT);
    }
    Reply reply;
    if (!Exchange(handle, OP_GET_RANGE, *body, reply, nullptr)) {
        return false;
    }
    std::optional<orvex::ConfigRange> decoded = DecodeConfigRange(reply.payload);
    if (!decoded) {
        return Fail(RPROV_ERR_MALFORMED);
    }
    range = std::move(*decoded);
    return Succeed();
}

bool RPROV_GetWifi(int32_t handle, std::string& text, orvex::WifiScanList& list) {
    if (std::shared_ptr<Login> login = OnvifLogin(handle)) {
        std::lock_guard<std::mutex> guard(login->lock);
        orvex::WifiScanList read;
        const DriverResult result = login->onvif->getWifi(read);
        text = result.message;
        if (!OnvifOutcome(result)) {
            return false;
        }
        list = read;
        return true;
    }
    Reply reply;
    if (!Exchange(handle, OP_GET_WIFI, {}, reply, &text)) {
        return false;
    }
    if (reply.payload.size() != orvex::WifiScanList::kSize) {
        return Fail(RPROV_ERR_MALFORMED);
    }
    std::copy(reply.payload.begin(), reply.payload.end(), list.data());
    return Succeed();
}

bool RPROV_SetConfig_To_Dev(int32_t handle, int32_t itemType, int32_t channelNo, const void* block,
                            std::string& message) {
    const size_t size = orvex::ConfigItemSize(itemType);
    if (size == 0 || block == nullptr) {
        message = "无效的配置项";
        return Fail(RPROV_ERR_ARGUMENT);
    }
    if (std::shared_ptr<Login> login = OnvifLogin(handle)) {
        std::lock_guard<std::mutex> guard(login->lock);
        const DriverResult result =
            login->onvif->setItem(itemType, channelNo, static_cast<const uint8_t*>(block));
        message = result.message;
        return OnvifOutcome(result);
    }
    const std::vector<uint8_t> body =
        EncodeSetConfigRequest(itemType, channelNo, {static_cast<const uint8_t*>(block), size});
    Reply reply;
    return Exchange(handle, OP_SET_CONFIG, body, reply, &message);
}
