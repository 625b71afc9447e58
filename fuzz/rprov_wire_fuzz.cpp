// Feeds arbitrary bytes to every decoder of the device library's wire protocol. Whatever
// decodes must encode back to the same bytes, so a decoder can neither invent nor drop data.
#include <cstdlib>
#include <span>

#include "platform/rprov/rprov_range_codec.h"
#include "platform/rprov/rprov_wire.h"

using namespace orvex::rprov;

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

bool Same(std::span<const uint8_t> a, const std::vector<uint8_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);

    if (std::optional<FrameHeader> h = DecodeHeader(bytes, nullptr)) {
        Check(Same(bytes.first(kHeaderSize), EncodeHeader(*h)));
        Check(h->bodyLength <= kMaxBodyLength);
    }
    if (std::optional<ReplyBody> r = DecodeReplyBody(bytes)) {
        Check(Same(bytes, EncodeReplyBody(r->status, r->message, r->payload)));
    }
    if (std::optional<LoginRequest> r = DecodeLoginRequest(bytes)) {
        Check(Same(bytes, EncodeLoginRequest(*r)));
    }
    if (std::optional<LoginReply> r = DecodeLoginReply(bytes)) {
        Check(Same(bytes, EncodeLoginReply(*r)));
    }
    if (std::optional<ChannelRequest> r = DecodeChannelRequest(bytes)) {
        std::optional<std::vector<uint8_t>> again = EncodeChannelRequest(*r);
        Check(again && Same(bytes, *again));
    }
    if (std::optional<SetConfigRequest> r = DecodeSetConfigRequest(bytes)) {
        Check(Same(bytes, EncodeSetConfigRequest(r->item, r->channelNo, r->block)));
    }
    if (std::optional<orvex::ConfigRange> r = DecodeConfigRange(bytes)) {
        std::optional<std::vector<uint8_t>> again = EncodeConfigRange(*r);
        Check(again && Same(bytes, *again));
    }
    return 0;
}
