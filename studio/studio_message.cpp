#include "studio/studio_message.h"

#include <cstring>

namespace orvex {
namespace {

void PutBigEndian(uint32_t value, unsigned char* out) {
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

uint32_t GetBigEndian(const unsigned char* in) {
    return (static_cast<uint32_t>(in[0]) << 24) | (static_cast<uint32_t>(in[1]) << 16) |
           (static_cast<uint32_t>(in[2]) << 8) | static_cast<uint32_t>(in[3]);
}

}  // namespace

void EncodeStudioHeader(const StudioMessageHeader& header, unsigned char* out) {
    PutBigEndian(static_cast<uint32_t>(header.type), out);
    PutBigEndian(header.length, out + 4);
    std::memcpy(out + 8, &header.dataSlot, sizeof header.dataSlot);
}

StudioMessageHeader DecodeStudioHeader(const unsigned char* in) {
    StudioMessageHeader header;
    header.type = static_cast<int32_t>(GetBigEndian(in));
    header.length = GetBigEndian(in + 4);
    std::memcpy(&header.dataSlot, in + 8, sizeof header.dataSlot);
    return header;
}

std::string StudioMessage::text() const {
    if (!payload || header.length == 0) {
        return std::string();
    }
    const char* end = static_cast<const char*>(std::memchr(payload.get(), '\0', header.length));
    size_t size = end != nullptr ? static_cast<size_t>(end - payload.get()) : header.length;
    return std::string(payload.get(), size);
}

std::vector<char> BuildStudioTextMessage(int32_t type, const std::string& text) {
    std::vector<char> buffer(kStudioHeaderSize + text.size() + 1, '\0');
    StudioMessageHeader header;
    header.type = type;
    header.length = static_cast<uint32_t>(text.size() + 1);
    header.dataSlot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer.data() + 12));
    EncodeStudioHeader(header, reinterpret_cast<unsigned char*>(buffer.data()));
    std::memcpy(buffer.data() + kStudioHeaderSize, text.data(), text.size());
    return buffer;
}

}  // namespace orvex
