#include "platform/rprov/rprov_wire.h"

#include <algorithm>
#include <cstring>

namespace orvex::rprov {

void ByteWriter::u16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
    bytes_.push_back(static_cast<uint8_t>(v));
}

void ByteWriter::u32(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void ByteWriter::raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
}

bool ByteWriter::text(std::string_view text, size_t limit) {
    if (text.size() > limit || text.size() > 0xFFFF) {
        return false;
    }
    u16(static_cast<uint16_t>(text.size()));
    raw(text.data(), text.size());
    return true;
}

bool ByteReader::take(size_t size) {
    if (failed_ || size > bytes_.size() - at_) {
        failed_ = true;
        return false;
    }
    return true;
}

uint8_t ByteReader::u8() {
    if (!take(1)) {
        return 0;
    }
    return bytes_[at_++];
}

uint16_t ByteReader::u16() {
    if (!take(2)) {
        return 0;
    }
    const uint16_t v = static_cast<uint16_t>((bytes_[at_] << 8) | bytes_[at_ + 1]);
    at_ += 2;
    return v;
}

uint32_t ByteReader::u32() {
    if (!take(4)) {
        return 0;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v = (v << 8) | bytes_[at_ + i];
    }
    at_ += 4;
    return v;
}

std::string ByteReader::text(size_t limit) {
    const uint16_t length = u16();
    if (failed_ || length > limit) {
        failed_ = true;
        return {};
    }
    std::span<const uint8_t> bytes = raw(length);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::span<const uint8_t> ByteReader::raw(size_t size) {
    if (!take(size)) {
        return {};
    }
    std::span<const uint8_t> out = bytes_.subspan(at_, size);
    at_ += size;
    return out;
}

std::span<const uint8_t> ByteReader::rest() {
    return raw(remaining());
}

std::vector<uint8_t> EncodeHeader(const FrameHeader& header) {
    ByteWriter w;
    w.raw(kMagic, sizeof kMagic);
    w.u8(kVersion);
    w.u8(header.kind);
    w.u16(header.op);
    w.u32(header.requestId);
    w.u32(header.bodyLength);
    return w.take();
}

std::vector<uint8_t> EncodeFrame(uint8_t kind, uint16_t op, uint32_t requestId,
                                 std::span<const uint8_t> body) {
    FrameHeader header{kind, op, requestId, static_cast<uint32_t>(body.size())};
    std::vector<uint8_t> frame = EncodeHeader(header);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

std::optional<FrameHeader> DecodeHeader(std::span<const uint8_t> bytes, HeaderError* error) {
    HeaderError why = HeaderError::kNone;
    std::optional<FrameHeader> out;
    if (bytes.size() >= kHeaderSize) {
        ByteReader r(bytes.first(kHeaderSize));
        std::span<const uint8_t> magic = r.raw(sizeof kMagic);
        const uint8_t version = r.u8();
        FrameHeader h;
        h.kind = r.u8();
        h.op = r.u16();
        h.requestId = r.u32();
        h.bodyLength = r.u32();
        if (!std::equal(magic.begin(), magic.end(), kMagic)) {
            why = HeaderError::kMagic;
        } else if (version != kVersion) {
            why = HeaderError::kVersion;
        } else if (h.kind != FRAME_REQUEST && h.kind != FRAME_REPLY) {
            why = HeaderError::kKind;
        } else if (h.bodyLength > kMaxBodyLength) {
            why = HeaderError::kTooLong;
        } else {
            out = h;
        }
    }
    if (error != nullptr) {
        *error = why;
    }
    return out;
}

std::vector<uint8_t> EncodeReplyBody(uint16_t status, std::string_view message,
                                     std::span<const uint8_t> payload) {
    ByteWriter w;
    w.u16(status);
    w.text(message.substr(0, kMaxMessageLength), kMaxMessageLength);
    w.raw(payload);
    return w.take();
}

std::optional<ReplyBody> DecodeReplyBody(std::span<const uint8_t> body) {
    ByteReader r(body);
    ReplyBody reply;
    reply.status = r.u16();
    reply.message = r.text(kMaxMessageLength);
    reply.payload = r.rest();
    if (r.failed()) {
        return std::nullopt;
    }
    return reply;
}

std::optional<Nonce> DecodeNonce(std::span<const uint8_t> bytes) {
    if (bytes.size() != kNonceSize) {
        return std::nullopt;
    }
    return Nonce(bytes.begin(), bytes.end());
}

std::vector<uint8_t> EncodeLoginRequest(const LoginRequest& request) {
    ByteWriter w;
    w.u8(request.newDev ? 1 : 0);
    w.raw(request.proof);
    return w.take();
}

std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> body) {
    ByteReader r(body);
    LoginRequest request;
    const uint8_t flag = r.u8();
    std::span<const uint8_t> proof = r.raw(kProofSize);
    if (!r.done() || flag > 1) {
        return std::nullopt;
    }
    request.newDev = flag == 1;
    request.proof.assign(proof.begin(), proof.end());
    return request;
}

std::vector<uint8_t> EncodeLoginReply(const LoginReply& reply) {
    ByteWriter w;
    w.raw(reply.cameraProof);
    w.text(std::string_view(reply.deviceName).substr(0, kMaxDeviceNameLength),
           kMaxDeviceNameLength);
    w.text(std::string_view(reply.serial).substr(0, kMaxSerialLength), kMaxSerialLength);
    w.u32(reply.channelCount);
    return w.take();
}

std::optional<LoginReply> DecodeLoginReply(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    LoginReply reply;
    std::span<const uint8_t> proof = r.raw(kProofSize);
    reply.cameraProof.assign(proof.begin(), proof.end());
    reply.deviceName = r.text(kMaxDeviceNameLength);
    reply.serial = r.text(kMaxSerialLength);
    reply.channelCount = r.u32();
    if (!r.done()) {
        return std::nullopt;
    }
    return reply;
}

std::optional<std::vector<uint8_t>> EncodeChannelRequest(const ChannelRequest& request) {
    ByteWriter w;
    w.i32(request.channelNo);
    if (!w.text(request.serial, kMaxSerialLength)) {
        return std::nullopt;
    }
    return w.take();
}

std::optional<ChannelRequest> DecodeChannelRequest(std::span<const uint8_t> body) {
    ByteReader r(body);
    ChannelRequest request;
    request.channelNo = r.i32();
    request.serial = r.text(kMaxSerialLength);
    if (!r.done()) {
        return std::nullopt;
    }
    return request;
}

std::vector<uint8_t> EncodeSetConfigRequest(int32_t item, int32_t channelNo,
                                            std::span<const uint8_t> block) {
    ByteWriter w;
    w.bytes().reserve(12 + block.size());
    w.i32(item);
    w.i32(channelNo);
    w.u32(static_cast<uint32_t>(block.size()));
    w.raw(block);
    return w.take();
}

std::optional<SetConfigRequest> DecodeSetConfigRequest(std::span<const uint8_t> body) {
    ByteReader r(body);
    SetConfigRequest request;
    request.item = r.i32();
    request.channelNo = r.i32();
    const uint32_t size = r.u32();
    request.block = r.raw(size);
    if (!r.done()) {
        return std::nullopt;
    }
    return request;
}

}  // namespace orvex::rprov
