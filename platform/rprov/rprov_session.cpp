#include "platform/rprov/rprov_session.h"

#include <algorithm>

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
    // Most replies come whole: the header and what came with it are taken in one read.
    uint8_t first[4096];
    size_t got = 0;
    if (result == CallResult::kOk) {
        result = FromIo(RecvAtLeast(socket_, first, sizeof first, kHeaderSize, got, deadline));
    }
    std::vector<uint8_t> replyBody;
    if (result == CallResult::kOk) {
        std::optional<FrameHeader> header = DecodeHeader(first, nullptr);
        const size_t came = got - kHeaderSize;
        if (!header || header->kind != FRAME_REPLY || header->op != op || header->requestId != id ||
            came > header->bodyLength) {
            // More than the reply: the camera spoke out of turn.
            result = CallResult::kMalformed;
        } else {
            replyBody.resize(header->bodyLength);
            std::copy(first + kHeaderSize, first + got, replyBody.begin());
            result = FromIo(
                RecvExact(socket_, replyBody.data() + came, replyBody.size() - came, deadline));
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
