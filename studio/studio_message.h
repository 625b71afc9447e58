// Studio messages: the 12-byte big-endian header, the message types, a received message and
// the framing of the program's outgoing text messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvex {

// The type word of a studio message. Types 1 and 2 travel both ways with different payloads.
enum StudioMessageType : int32_t {
    STUDIO_MSG_HELLO = 0,        // program to studio, no payload, after every new connection
    STUDIO_MSG_GROUP_INFO = 1,   // studio to program: the user's camera groups
    STUDIO_MSG_CONFIG_NAME = 1,  // program to studio: {"cloudCfgName": name}
    STUDIO_MSG_CAMERA = 2,       // studio: the current camera; program: a confirmed camera
    STUDIO_MSG_QUIT = 3,         // studio to program: shut down
};

// Received types from this value up are protocol errors (compared as signed numbers).
constexpr int32_t kFirstInvalidStudioType = 4;

// The header as held in memory: type and length in host byte order. The data slot carries
// nothing on the wire; a sender leaves (the low 32 bits of) its payload address in it.
struct StudioMessageHeader {
    int32_t type = 0;
    uint32_t length = 0;
    uint32_t dataSlot = 0;
};

constexpr size_t kStudioHeaderSize = 12;
// The largest payload accepted from the studio; a longer one is a receive error.
constexpr uint32_t kMaxStudioPayload = 64u * 1024 * 1024;

// Writes the 12 header bytes: type and length big-endian, the slot as stored in memory.
void EncodeStudioHeader(const StudioMessageHeader& header, unsigned char* out);
// Reads the 12 header bytes back into host byte order.
StudioMessageHeader DecodeStudioHeader(const unsigned char* in);

// One received message: the header in host order and exactly `header.length` payload bytes.
struct StudioMessage {
    StudioMessageHeader header;
    std::unique_ptr<char[]> payload;

    // The payload text: up to its first NUL byte, or all bytes when there is none; empty for
    // a zero-length payload.
    std::string text() const;
};

// Builds an outgoing text message of type 1 (configuration name) or 2 (confirmed camera): the
// header with `type` and length n + 1, the n text bytes and one NUL (12 + n + 1 bytes). The
// caller hands the whole buffer to StudioLinkClient::send. Any thread.
std::vector<char> BuildStudioTextMessage(int32_t type, const std::string& text);

}  // namespace orvex
