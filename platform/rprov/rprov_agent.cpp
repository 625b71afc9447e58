#include "platform/rprov/rprov_agent.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rprov/rprov_auth.h"
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

// One open login: its session and the lock that makes calls on it take turns.
struct Login {
    std::mutex lock;
    Session session;
    explicit Login(Socket socket) : session(std::move(socket)) {}
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

const char* FailureText(CallResult result) {
    switch (result) {
        case CallResult::kTimeout:
            return "the device did not answer in time";
        case CallResult::kClosed:
            return "the device closed the connection";
        case CallResult::kMalformed:
            return "the device sent an invalid answer";
        case CallResult::kBroken:
        case CallResult::kOk:
            break;
    }
    return "not connected to the device";
}

// One exchange on an open handle. `message` (when given) receives the camera's message or the
// library's own text for a failed exchange. True when the camera answered with STATUS_OK.
bool Exchange(int32_t handle, uint16_t op, std::span<const uint8_t> body, Reply& reply,
              std::string* message) {
    std::shared_ptr<Login> login = Logins().find(handle);
    if (!login) {
        if (message != nullptr) {
            *message = "invalid login handle";
        }
        return false;
    }
    CallResult result;
    {
        std::lock_guard<std::mutex> guard(login->lock);
        result = login->session.call(op, body, RequestDeadline(), reply);
    }
    if (message != nullptr) {
        *message = result == CallResult::kOk ? reply.message : FailureText(result);
    }
    return result == CallResult::kOk && reply.status == STATUS_OK;
}

}  // namespace
}  // namespace orvex::rprov

using namespace orvex::rprov;

bool RPROV_Init() {
    ReadLimitsOnce();
    return true;
}

void RPROV_SetLimits(int32_t connectTimeoutMs, int32_t requestTimeoutMs) {
    ReadLimitsOnce();  // a later first use must not overwrite what is set here
    connectMs = connectTimeoutMs > 0 ? connectTimeoutMs : kDefaultConnectMs;
    requestMs = requestTimeoutMs > 0 ? requestTimeoutMs : kDefaultRequestMs;
}

bool RPROV_Login_Dev(const std::string& devip, int32_t port, const std::string& passwd,
                     int32_t& handle, orvex::LoginDeviceInfo& info, bool newDev) {
    ReadLimitsOnce();
    Socket socket = ConnectTcp(devip, port, std::chrono::milliseconds(connectMs.load()));
    if (!socket.valid()) {
        return false;
    }
    auto login = std::make_shared<Login>(std::move(socket));
    // Both exchanges of the login share one request's time.
    const Clock::time_point deadline = RequestDeadline();
    const std::vector<uint8_t> clientNonce = MakeNonce();
    Reply hello;
    if (login->session.call(OP_HELLO, clientNonce, deadline, hello) != CallResult::kOk ||
        hello.status != STATUS_OK) {
        return false;
    }
    std::optional<Nonce> cameraNonce = DecodeNonce(hello.payload);
    if (!cameraNonce) {
        return false;
    }
    LoginRequest request;
    request.newDev = newDev;
    request.proof = ClientProof(passwd, *cameraNonce, clientNonce, newDev);
    Reply answer;
    if (login->session.call(OP_LOGIN, EncodeLoginRequest(request), deadline, answer) !=
            CallResult::kOk ||
        answer.status != STATUS_OK) {
        return false;
    }
    std::optional<LoginReply> reply = DecodeLoginReply(answer.payload);
    // A camera that cannot prove it knows the password is not the camera asked for.
    if (!reply ||
        !ProofsEqual(reply->cameraProof, CameraProof(passwd, clientNonce, *cameraNonce))) {
        return false;
    }
    info.clear();
    info.setDeviceName(reply->deviceName);
    handle = Logins().add(std::move(login));
    return true;
}

bool RPROV_Logout_Dev(int32_t handle) {
    std::shared_ptr<Login> login = Logins().remove(handle);
    if (!login) {
        return false;
    }
    std::lock_guard<std::mutex> guard(login->lock);
    if (!login->session.broken()) {
        Reply reply;
        login->session.call(OP_LOGOUT, {}, RequestDeadline(), reply);
    }
    login->session.close();
    return true;
}

bool RPROV_GetConfig(int32_t handle, const std::string& serial, int32_t channelNo,
                     orvex::DeviceConfig& config) {
    std::optional<std::vector<uint8_t>> body = EncodeChannelRequest({channelNo, serial});
    Reply reply;
    if (!body || !Exchange(handle, OP_GET_CONFIG, *body, reply, nullptr) ||
        reply.payload.size() != orvex::DeviceConfig::kSize) {
        return false;
    }
    std::copy(reply.payload.begin(), reply.payload.end(), config.data());
    return true;
}

bool RPROV_GetCfgRange(int32_t handle, const std::string& serial, int32_t channelNo,
                       orvex::ConfigRange& range) {
    std::optional<std::vector<uint8_t>> body = EncodeChannelRequest({channelNo, serial});
    Reply reply;
    if (!body || !Exchange(handle, OP_GET_RANGE, *body, reply, nullptr)) {
        return false;
    }
    std::optional<orvex::ConfigRange> decoded = DecodeConfigRange(reply.payload);
    if (!decoded) {
        return false;
    }
    range = std::move(*decoded);
    return true;
}

bool RPROV_GetWifi(int32_t handle, std::string& text, orvex::WifiScanList& list) {
    Reply reply;
    if (!Exchange(handle, OP_GET_WIFI, {}, reply, &text) ||
        reply.payload.size() != orvex::WifiScanList::kSize) {
        return false;
    }
    std::copy(reply.payload.begin(), reply.payload.end(), list.data());
    return true;
}

bool RPROV_SetConfig_To_Dev(int32_t handle, int32_t itemType, int32_t channelNo, const void* block,
                            std::string& message) {
    const size_t size = orvex::ConfigItemSize(itemType);
    if (size == 0 || block == nullptr) {
        message = "invalid configuration item";
        return false;
    }
    const std::vector<uint8_t> body =
        EncodeSetConfigRequest(itemType, channelNo, {static_cast<const uint8_t*>(block), size});
    Reply reply;
    return Exchange(handle, OP_SET_CONFIG, body, reply, &message);
}
