// The device library's wire protocol: frame headers, the bodies of every request and reply,
// and the big-endian byte writer and reader they are built with. Pure code, no sockets; the
// byte layout is documented in platform/rprov/PROTOCOL.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::rprov {

inline constexpr uint8_t kMagic[4] = {'R', 'P', 'R', 'V'};
inline constexpr uint8_t kVersion = 1;
inline constexpr size_t kHeaderSize = 16;
// The largest body either side accepts; a header announcing more ends the connection.
inline constexpr uint32_t kMaxBodyLength = 256 * 1024;
// Limits inside bodies.
inline constexpr size_t kMaxMessageLength = 1024;
inline constexpr size_t kMaxSerialLength = 128;
inline constexpr size_t kNonceSize = 16;
inline constexpr size_t kProofSize = 32;
inline constexpr size_t kMaxDeviceNameLength = 47;

enum FrameKind : uint8_t {
    FRAME_REQUEST = 1,  // client to camera
    FRAME_REPLY = 2,    // camera to client
};

enum Op : uint16_t {
    OP_HELLO = 1,  // nonce exchange that opens a login
    OP_LOGIN = 2,  // the client's proof of the password
    OP_LOGOUT = 3,
    OP_GET_CONFIG = 4,  // DeviceConfig of one channel
    OP_GET_RANGE = 5,   // ConfigRange of one channel
    OP_GET_WIFI = 6,    // WifiScanList
    OP_SET_CONFIG = 7,  // one configuration item
};

enum Status : uint16_t {
    STATUS_OK = 0,
    STATUS_BAD_REQUEST = 1,    // the body does not have the shape of its operation
    STATUS_AUTH_FAILED = 2,    // the proof does not match the camera's password
    STATUS_LOGIN_REFUSED = 3,  // the camera does not accept logins now
    STATUS_NOT_LOGGED_IN = 4,
    STATUS_NO_CHANNEL = 5,
    STATUS_WRONG_SERIAL = 6,
    STATUS_BAD_ITEM = 7,      // not a configuration item code
    STATUS_BAD_SIZE = 8,      // the block is not the size of its item
    STATUS_OUT_OF_RANGE = 9,  // a value lies outside what the camera supports
    STATUS_ITEM_FAILED = 10,  // the camera could not apply the item
    STATUS_UNKNOWN_OP = 11,
    STATUS_INTERNAL = 12,
};

struct FrameHeader {
    uint8_t kind = 0;
    uint16_t op = 0;
    uint32_t requestId = 0;
    uint32_t bodyLength = 0;
    bool operator==(const FrameHeader&) const = default;
};

enum class HeaderError { kNone, kMagic, kVersion, kKind, kTooLong };

// The 16 header bytes of `header`. Any thread.
std::vector<uint8_t> EncodeHeader(const FrameHeader& header);
// A whole frame: header (with bodyLength set from `body`) followed by the body. Any thread.
std::vector<uint8_t> EncodeFrame(uint8_t kind, uint16_t op, uint32_t requestId,
                                 std::span<const uint8_t> body);
// Reads a header from the first 16 bytes of `bytes`. Nothing when fewer bytes are given (error
// kNone: more are needed) or when the header is invalid (the error says why). Any thread.
std::optional<FrameHeader> DecodeHeader(std::span<const uint8_t> bytes, HeaderError* error);

// Appends big-endian integers and length-prefixed texts to a byte buffer.
class ByteWriter {
  public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void raw(std::span<const uint8_t> data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    void raw(const void* data, size_t size);
    // u16 length, then the bytes. False (nothing written) when longer than `limit`.
    bool text(std::string_view text, size_t limit);
    std::vector<uint8_t>& bytes() { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

// Reads what ByteWriter writes. Any read past the end, or a text longer than its limit, marks
// the reader failed; a failed reader returns zeros and empty texts from then on.
class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    std::string text(size_t limit);
    // The next `size` bytes; empty (and failed) when fewer remain.
    std::span<const uint8_t> raw(size_t size);
    std::span<const uint8_t> rest();
    size_t remaining() const { return failed_ ? 0 : bytes_.size() - at_; }
    bool failed() const { return failed_; }
    // Marks the reader failed (a value read was outside its bounds).
    void fail() { failed_ = true; }
    // True when nothing failed and every byte was read.
    bool done() const { return !failed_ && at_ == bytes_.size(); }

  private:
    bool take(size_t size);
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool failed_ = false;
};

// ---- Reply bodies: status, message, then the payload of the operation.

struct ReplyBody {
    uint16_t status = STATUS_OK;
    std::string message;
    std::span<const uint8_t> payload;  // points into the body it was read from
};

// A message longer than kMaxMessageLength is cut. Any thread.
std::vector<uint8_t> EncodeReplyBody(uint16_t status, std::string_view message,
                                     std::span<const uint8_t> payload = {});
std::optional<ReplyBody> DecodeReplyBody(std::span<const uint8_t> body);

// ---- Request bodies and reply payloads, one pair per operation. Decoders return nothing for
// a body of the wrong shape (short, long, or a text past its limit). Any thread.

// OP_HELLO: request = client nonce; reply payload = camera nonce.
using Nonce = std::vector<uint8_t>;  // kNonceSize bytes
std::optional<Nonce> DecodeNonce(std::span<const uint8_t> bytes);

// OP_LOGIN request.
struct LoginRequest {
    bool newDev = false;
    std::vector<uint8_t> proof;  // kProofSize bytes
};
std::vector<uint8_t> EncodeLoginRequest(const LoginRequest& request);
std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> body);

// OP_LOGIN reply payload: the camera's own proof and what the login reports about the device.
struct LoginReply {
    std::vector<uint8_t> cameraProof;  // kProofSize bytes
    std::string deviceName;            // at most kMaxDeviceNameLength bytes
    std::string serial;                // at most kMaxSerialLength bytes
    uint32_t channelCount = 0;
};
std::vector<uint8_t> EncodeLoginReply(const LoginReply& reply);
std::optional<LoginReply> DecodeLoginReply(std::span<const uint8_t> payload);

// OP_GET_CONFIG and OP_GET_RANGE request: the channel and the serial it is asked for.
struct ChannelRequest {
    int32_t channelNo = 0;
    std::string serial;  // at most kMaxSerialLength bytes
};
// Nothing when the serial is too long.
std::optional<std::vector<uint8_t>> EncodeChannelRequest(const ChannelRequest& request);
std::optional<ChannelRequest> DecodeChannelRequest(std::span<const uint8_t> body);

// OP_SET_CONFIG request: one item's block.
struct SetConfigRequest {
    int32_t item = 0;
    int32_t channelNo = 0;
    std::span<const uint8_t> block;  // points into the body it was read from
};
std::vector<uint8_t> EncodeSetConfigRequest(int32_t item, int32_t channelNo,
                                            std::span<const uint8_t> block);
std::optional<SetConfigRequest> DecodeSetConfigRequest(std::span<const uint8_t> body);

}  // namespace orvex::rprov
