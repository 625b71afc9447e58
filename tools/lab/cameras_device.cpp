#include "tools/lab/cameras_device.h"

#include "platform/rprov/rprov_auth.h"
#include "platform/rprov/rprov_range_codec.h"
#include "tools/lab/cameras_model.h"
#include "tools/lab/cameras_validation.h"

namespace orvex::lab {

using namespace rprov;

namespace {

std::vector<uint8_t> Reply(const FrameHeader& request, uint16_t status, const std::string& message,
                           std::span<const uint8_t> payload = {}) {
    return EncodeFrame(FRAME_REPLY, request.op, request.requestId,
                       EncodeReplyBody(status, message, payload));
}

}  // namespace

LabCamera::LabCamera(CameraSetup setup, const CameraStateFolder& folder)
    : setup_(std::move(setup)),
      folder_(folder),
      wifi_(MakeWifiList(setup_.serial, setup_.wifiNetworks)),
      faults_(setup_.faults) {}

bool LabCamera::open(std::string& error) {
    if (!folder_.prepare(setup_.serial, error)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    for (int32_t channelNo : setup_.channels) {
        Channel channel;
        channel.record = std::make_unique<DeviceConfig>();
        if (!folder_.load(setup_.serial, channelNo, *channel.record)) {
            channel.record = MakeDeviceConfig(setup_.serial, channelNo);
            if (!folder_.save(setup_.serial, channelNo, *channel.record, error)) {
                return false;
            }
        }
        channel.range = MakeConfigRange(setup_.serial, channelNo);
        channels_[channelNo] = std::move(channel);
    }
    return true;
}

CameraFaults LabCamera::faults() const {
    std::lock_guard<std::mutex> guard(lock_);
    return faults_;
}

void LabCamera::setFaults(const CameraFaults& faults) {
    std::lock_guard<std::mutex> guard(lock_);
    faults_ = faults;
}

std::unique_ptr<DeviceConfig> LabCamera::record(int32_t channelNo) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = channels_.find(channelNo);
    return it == channels_.end() ? nullptr : std::make_unique<DeviceConfig>(*it->second.record);
}

CameraCounters LabCamera::counters() const {
    std::lock_guard<std::mutex> guard(lock_);
    return counters_;
}

void LabCamera::countConnection() {
    std::lock_guard<std::mutex> guard(lock_);
    ++counters_.connections;
}

std::string LabCamera::password() const {
    // A camera whose password was changed behind the studio's back.
    return faults_.wrongPassword ? setup_.password + "-changed" : setup_.password;
}

CameraOutcome LabCamera::handle(CameraSession& session, const FrameHeader& header,
                                std::span<const uint8_t> body) {
    CameraOutcome out;
    {
        std::lock_guard<std::mutex> guard(lock_);
        out.delayMs = faults_.delayMs;
        if (faults_.silent) {
            out.kind = CameraOutcome::kSilent;
            return out;
        }
    }
    if (header.kind != FRAME_REQUEST) {
        out.frame = Reply(header, STATUS_BAD_REQUEST, "应为请求帧");
        return out;
    }
    switch (header.op) {
        case OP_HELLO:
        case OP_LOGIN:
            out.frame = login(session, header, body);
            return out;
        case OP_LOGOUT:
        case OP_GET_CONFIG:
        case OP_GET_RANGE:
        case OP_GET_WIFI:
        case OP_SET_CONFIG:
            break;
        default:
            out.frame = Reply(header, STATUS_UNKNOWN_OP, "未知操作 " + std::to_string(header.op));
            return out;
    }
    if (!session.loggedIn) {
        out.frame = Reply(header, STATUS_NOT_LOGGED_IN, "未登录");
        return out;
    }
    if (header.op == OP_LOGOUT) {
        session.loggedIn = false;
        std::lock_guard<std::mutex> guard(lock_);
        ++counters_.logouts;
        out.frame = Reply(header, STATUS_OK, "已退出登录");
        return out;
    }
    if (header.op != OP_SET_CONFIG) {
        out.frame = read(header, body);
        return out;
    }
    std::optional<SetConfigRequest> request = DecodeSetConfigRequest(body);
    if (!request) {
        out.frame = Reply(header, STATUS_BAD_REQUEST, "配置项格式错误");
        return out;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (faults_.dropOnItem != 0 && faults_.dropOnItem == request->item) {
            out.kind = CameraOutcome::kDrop;
            return out;
        }
    }
    out.frame = set(header, *request);
    return out;
}

std::vector<uint8_t> LabCamera::login(CameraSession& session, const FrameHeader& header,
                                      std::span<const uint8_t> body) {
    if (header.op == OP_HELLO) {
        std::optional<Nonce> nonce = DecodeNonce(body);
        if (!nonce) {
            return Reply(header, STATUS_BAD_REQUEST, "问候须带 16 字节随机数");
        }
        session.clientNonce = *nonce;
        session.cameraNonce = MakeNonce();
        session.loggedIn = false;
        return Reply(header, STATUS_OK, "", session.cameraNonce);
    }
    std::optional<LoginRequest> request = DecodeLoginRequest(body);
    if (!request || session.cameraNonce.empty()) {
        return Reply(header, STATUS_BAD_REQUEST, "登录须在问候之后");
    }
    std::lock_guard<std::mutex> guard(lock_);
    const std::string pw = password();
    if (faults_.refuseLogin) {
        ++counters_.failedLogins;
        return Reply(header, STATUS_LOGIN_REFUSED, "拒绝登录：尝试次数过多，设备已锁定");
    }
    const std::vector<uint8_t> expected =
        ClientProof(pw, session.cameraNonce, session.clientNonce, request->newDev);
    if (!ProofsEqual(request->proof, expected)) {
        ++counters_.failedLogins;
        // A nonce serves one attempt only.
        session.cameraNonce.clear();
        return Reply(header, STATUS_AUTH_FAILED, "用户名或密码错误");
    }
    session.loggedIn = true;
    ++counters_.logins;
    LoginReply reply;
    reply.cameraProof = CameraProof(pw, session.clientNonce, session.cameraNonce);
    reply.deviceName = setup_.name.empty() ? setup_.serial : setup_.name;
    reply.serial = setup_.serial;
    reply.channelCount = static_cast<uint32_t>(setup_.channels.size());
    return Reply(header, STATUS_OK, "登录成功", EncodeLoginReply(reply));
}

std::vector<uint8_t> LabCamera::read(const FrameHeader& header, std::span<const uint8_t> body) {
    std::lock_guard<std::mutex> guard(lock_);
    if (header.op == OP_GET_WIFI) {
        if (!body.empty()) {
            return Reply(header, STATUS_BAD_REQUEST, "a Wi-Fi list request has no body");
        }
        if (faults_.failRead == "wifi") {
            return Reply(header, STATUS_INTERNAL, "Wi-Fi 扫描失败");
        }
        ++counters_.wifiReads;
        return Reply(header, STATUS_OK, std::to_string(wifi_.count()) + " networks found",
                     {wifi_.data(), wifi_.size()});
    }
    std::optional<ChannelRequest> request = DecodeChannelRequest(body);
    if (!request) {
        return Reply(header, STATUS_BAD_REQUEST, "通道请求格式错误");
    }
    if (request->serial != setup_.serial) {
        return Reply(header, STATUS_WRONG_SERIAL,
                     "本设备是 " + setup_.serial + "，不是 " + request->serial);
    }
    auto it = channels_.find(request->channelNo);
    if (it == channels_.end()) {
        return Reply(header, STATUS_NO_CHANNEL, "没有通道 " + std::to_string(request->channelNo));
    }
    if (header.op == OP_GET_CONFIG) {
        if (faults_.failRead == "config") {
            return Reply(header, STATUS_INTERNAL, "配置存储不可用");
        }
        ++counters_.configReads;
        const DeviceConfig& record = *it->second.record;
        return Reply(header, STATUS_OK, "", {record.data(), record.size()});
    }
    if (faults_.failRead == "range") {
        return Reply(header, STATUS_INTERNAL, "能力表不可用");
    }
    std::optional<std::vector<uint8_t>> range = EncodeConfigRange(it->second.range);
    if (!range) {
        return Reply(header, STATUS_INTERNAL, "能力表过大");
    }
    ++counters_.rangeReads;
    return Reply(header, STATUS_OK, "", *range);
}

std::vector<uint8_t> LabCamera::set(const FrameHeader& header, const SetConfigRequest& r) {
    std::lock_guard<std::mutex> guard(lock_);
    auto refuse = [&](uint16_t status, const std::string& message) {
        ++counters_.setsRefused;
        return Reply(header, status, message);
    };
    if (!IsConfigItemType(r.item)) {
        return refuse(STATUS_BAD_ITEM, "未知配置项 " + std::to_string(r.item));
    }
    auto it = channels_.find(r.channelNo);
    if (it == channels_.end()) {
        return refuse(STATUS_NO_CHANNEL, "没有通道 " + std::to_string(r.channelNo));
    }
    if (r.block.size() != ConfigItemSize(r.item)) {
        return refuse(STATUS_BAD_SIZE, "配置项 " + std::to_string(r.item) + " 应为 " +
                                           std::to_string(ConfigItemSize(r.item)) + " 字节，不是 " +
                                           std::to_string(r.block.size()));
    }
    auto staged = std::make_unique<DeviceConfig>(*it->second.record);
    std::copy(r.block.begin(), r.block.end(), staged->block(r.item).begin());
    const Verdict verdict = ValidateItem(r.item, r.channelNo, *staged, it->second.range);
    if (verdict.status != STATUS_OK) {
        return refuse(verdict.status, verdict.message);
    }
    if (faults_.failItem != 0 && faults_.failItem == r.item) {
        return refuse(STATUS_ITEM_FAILED, std::string("设备无法应用") + ItemWords(r.item));
    }
    if (faults_.forgetItem != 0 && faults_.forgetItem == r.item) {
        // A device that reports success but keeps its old values: only reading back tells.
        ++counters_.setsAccepted;
        return Reply(header, STATUS_OK, verdict.message);
    }
    std::string error;
    if (!folder_.save(setup_.serial, r.channelNo, *staged, error)) {
        return refuse(STATUS_INTERNAL, "无法保存配置：" + error);
    }
    it->second.record = std::move(staged);
    ++counters_.setsAccepted;
    return Reply(header, STATUS_OK, verdict.message);
}

}  // namespace orvex::lab
