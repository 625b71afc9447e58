#include "platform/rprov/rprov_wire.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orvex::rprov {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(WireHeader, HasTheDocumentedBytes) {
    const std::vector<uint8_t> body = Bytes({0xAA, 0xBB, 0xCC});
    const std::vector<uint8_t> frame = EncodeFrame(FRAME_REPLY, OP_SET_CONFIG, 0x01020304, body);
    EXPECT_EQ(frame,
              Bytes({'R', 'P', 'R', 'V', 1, 2, 0, 7, 1, 2, 3, 4, 0, 0, 0, 3, 0xAA, 0xBB, 0xCC}));
    HeaderError error;
    std::optional<FrameHeader> h = DecodeHeader(frame, &error);
    ASSERT_TRUE(h);
    EXPECT_EQ(error, HeaderError::kNone);
    EXPECT_EQ(*h, (FrameHeader{FRAME_REPLY, OP_SET_CONFIG, 0x01020304, 3}));
}

TEST(WireHeader, EveryTruncatedPrefixAsksForMore) {
    const std::vector<uint8_t> header = EncodeHeader({FRAME_REQUEST, OP_LOGIN, 9, 40});
    for (size_t n = 0; n < kHeaderSize; ++n) {
        HeaderError error = HeaderError::kMagic;
        EXPECT_FALSE(DecodeHeader(std::span(header).first(n), &error)) << n;
        EXPECT_EQ(error, HeaderError::kNone) << n;
    }
}

TEST(WireHeader, RejectsBadMagicVersionKindAndLength) {
    const std::vector<uint8_t> good = EncodeHeader({FRAME_REQUEST, OP_LOGIN, 9, kMaxBodyLength});
    ASSERT_TRUE(DecodeHeader(good, nullptr));
    struct Case {
        size_t at;
        uint8_t value;
        HeaderError expected;
    };
    for (Case c : {Case{0, 'X', HeaderError::kMagic}, Case{3, 'W', HeaderError::kMagic},
                   Case{4, 2, HeaderError::kVersion}, Case{4, 0, HeaderError::kVersion},
                   Case{5, 0, HeaderError::kKind}, Case{5, 3, HeaderError::kKind},
                   Case{12, 0x80, HeaderError::kTooLong}}) {
        std::vector<uint8_t> bad = good;
        bad[c.at] = c.value;
        HeaderError error = HeaderError::kNone;
        EXPECT_FALSE(DecodeHeader(bad, &error)) << c.at;
        EXPECT_EQ(error, c.expected) << c.at;
    }
    // One byte over the limit.
    std::vector<uint8_t> over = EncodeHeader({FRAME_REPLY, OP_LOGIN, 9, kMaxBodyLength + 1});
    HeaderError error = HeaderError::kNone;
    EXPECT_FALSE(DecodeHeader(over, &error));
    EXPECT_EQ(error, HeaderError::kTooLong);
}

TEST(WireReply, RoundTripsAndRejectsEveryTruncation) {
    const std::vector<uint8_t> payload = Bytes({1, 2, 3, 4});
    const std::vector<uint8_t> body =
        EncodeReplyBody(STATUS_OUT_OF_RANGE, "hue 300 > 100", payload);
    std::optional<ReplyBody> r = DecodeReplyBody(body);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, STATUS_OUT_OF_RANGE);
    EXPECT_EQ(r->message, "hue 300 > 100");
    EXPECT_EQ(std::vector<uint8_t>(r->payload.begin(), r->payload.end()), payload);
    // Prefixes that cut the status or the message fail; prefixes that cut the payload only
    // shorten it (its length is the operation's to check).
    const size_t messageEnd = 2 + 2 + 13;
    for (size_t n = 0; n < messageEnd; ++n) {
        EXPECT_FALSE(DecodeReplyBody(std::span(body).first(n))) << n;
    }
    EXPECT_TRUE(DecodeReplyBody(std::span(body).first(messageEnd)));
}

TEST(WireReply, CutsLongMessagesAndRefusesAnnouncedOverlongOnes) {
    const std::string longText(kMaxMessageLength + 50, 'm');
    std::optional<ReplyBody> r = DecodeReplyBody(EncodeReplyBody(STATUS_OK, longText));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message.size(), kMaxMessageLength);
    // A hand-made body announcing a message over the limit.
    std::vector<uint8_t> body = Bytes({0, 0, 0x04, 0x01});
    body.resize(4 + 0x401, 'x');
    EXPECT_FALSE(DecodeReplyBody(body));
}

// A body decodes only when whole: every shorter prefix and one byte more are refused.
template <typename Decode>
void ExpectWholeOnly(const std::vector<uint8_t>& body, Decode decode) {
    EXPECT_TRUE(decode(body));
    for (size_t n = 0; n < body.size(); ++n) {
        EXPECT_FALSE(decode(std::span(body).first(n))) << n;
    }
    std::vector<uint8_t> longer = body;
    longer.push_back(0);
    EXPECT_FALSE(decode(longer));
}

TEST(WireBodies, HaveTheDocumentedLayoutAndDecodeOnlyWhenWhole) {
    std::vector<uint8_t> login = EncodeLoginRequest({true, std::vector<uint8_t>(kProofSize, 0x5A)});
    EXPECT_EQ(login.size(), 1 + kProofSize);
    ExpectWholeOnly(login, DecodeLoginRequest);
    EXPECT_TRUE(DecodeLoginRequest(login)->newDev);
    login[0] = 2;  // the flag is a boolean
    EXPECT_FALSE(DecodeLoginRequest(login));

    const std::vector<uint8_t> reply =
        EncodeLoginReply({std::vector<uint8_t>(kProofSize, 7), "gate camera", "OX0001", 4});
    ExpectWholeOnly(reply, DecodeLoginReply);
    std::optional<LoginReply> got = DecodeLoginReply(reply);
    EXPECT_EQ(got->deviceName, "gate camera");
    EXPECT_EQ(got->serial, "OX0001");
    EXPECT_EQ(got->channelCount, 4u);

    EXPECT_FALSE(EncodeChannelRequest({0, std::string(kMaxSerialLength + 1, 's')}));
    const std::vector<uint8_t> channel = *EncodeChannelRequest({-3, "SER"});
    EXPECT_EQ(channel, Bytes({0xFF, 0xFF, 0xFF, 0xFD, 0, 3, 'S', 'E', 'R'}));
    ExpectWholeOnly(channel, DecodeChannelRequest);
    EXPECT_EQ(DecodeChannelRequest(channel)->channelNo, -3);

    const std::vector<uint8_t> set = EncodeSetConfigRequest(-1, 2, Bytes({0x11, 0x22}));
    EXPECT_EQ(set, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 2, 0, 0, 0, 2, 0x11, 0x22}));
    ExpectWholeOnly(set, DecodeSetConfigRequest);
    std::optional<SetConfigRequest> r = DecodeSetConfigRequest(set);
    EXPECT_EQ(r->item, -1);
    EXPECT_EQ(r->channelNo, 2);
    EXPECT_EQ(r->block.size(), 2u);
    // A length field larger than everything that follows.
    EXPECT_FALSE(
        DecodeSetConfigRequest(Bytes({0, 0, 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1})));
}

}  // namespace
}  // namespace orvex::rprov
