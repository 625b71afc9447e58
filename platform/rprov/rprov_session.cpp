#include "platform/rprov/rprov_session.h"

namespace orvex::rprov {
namespace {

CallResult FromIo(IoResult io) {
    switch (io) {
        case IoResult::kOk:
            return CallResult::kOk;
        case IoResult::kTimeout:
            return CallResult::kTimeout;
        case IoResult::kClosed:
        case IoResult::kError:
            return CallResult::kClosed;
    }
    return CallResult::kClosed;
}

}  // namespace

CallResult Session::call(uint16_t op, std::span<const uint8_t> body, Clock::time_point deadline,
                         Reply& reply) {
    if (broken_ || !socket_.valid()) {
        return CallResult::kBroken;
    }
    const uint32_t id = nextRequestId_++;
    CallResult result = CallResult::kOk;
    {
        // One send: a frame is never left half-written by a second call.
        std::vector<uint8_t> frame = EncodeFrame(FRAME_REQUEST, op, id, body);
        result = FromIo(SendAll(socket_, frame.data(), frame.size(), deadline));
    }
    uint8_t headerBytes[kHeaderSize];
    if (result == CallResult::kOk) {
        result = FromIo(RecvExact(socket_, headerBytes, sizeof headerBytes, deadline));
    }
    std::vector<uint8_t> replyBody;
    if (result == CallResult::kOk) {
        std::optional<FrameHeader> header = DecodeHeader(headerBytes, nullptr);
        if (!header || header->kind != FRAME_REPLY || header->op != op || header->requestId != id) {
            result = CallResult::kMalformed;
        } else {
            replyBody.resize(header->bodyLength);
            result = FromIo(RecvExact(socket_, replyBody.data(), replyBody.size(), deadline));
        }
    }
    if (result == CallResult::kOk) {
        std::optional<ReplyBody> decoded = DecodeReplyBody(replyBody);
        if (!decoded) {
            result = CallResult::kMalformed;
        } else {
            reply.status = decoded->status;
            reply.message = std::move(decoded->message);
            reply.payload.assign(decoded->payload.begin(), decoded->payload.end());
        }
    }
    if (result != CallResult::kOk) {
        // The stream is out of step or gone: nothing later on it can be trusted.
        broken_ = true;
        socket_.close();
    }
    return result;
}

void Session::close() {
    socket_.close();
    broken_ = true;
}

}  // namespace orvex::rprov
