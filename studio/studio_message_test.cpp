#include "studio/studio_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace orvex {
namespace {

std::string Bytes(const std::vector<char>& buffer, size_t from, size_t count) {
    return std::string(buffer.data() + from, count);
}

TEST(StudioMessageTest, HeaderWordsAreBigEndianAndTheSlotIsCarriedAsIs) {
    StudioMessageHeader header;
    header.type = -1;
    header.length = 0x01020304;
    header.dataSlot = 0xA1B2C3D4;
    unsigned char bytes[kStudioHeaderSize];
    EncodeStudioHeader(header, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8),
              std::string("\xFF\xFF\xFF\xFF\x01\x02\x03\x04", 8));
    StudioMessageHeader back = DecodeStudioHeader(bytes);
    EXPECT_EQ(back.type, -1);
    EXPECT_EQ(back.length, 0x01020304u);
    EXPECT_EQ(back.dataSlot, 0xA1B2C3D4u);
}

// Header, text and NUL; the length word counts the NUL. The slot holds the (low 32 bits of
// the) address of the sender's own payload.
TEST(StudioMessageTest, TextMessagesAreHeaderTextAndNul) {
    const std::pair<int32_t, std::string> cases[] = {
        {STUDIO_MSG_CAMERA, R"({"serial":"A1","channelNo":12})"},  // 43 bytes in all
        {STUDIO_MSG_CONFIG_NAME, R"({"cloudCfgName":"Night"})"},
        {STUDIO_MSG_CONFIG_NAME, ""},
    };
    for (const auto& [type, text] : cases) {
        std::vector<char> message = BuildStudioTextMessage(type, text);
        const char length = static_cast<char>(text.size() + 1);
        EXPECT_EQ(Bytes(message, 0, 8) + Bytes(message, 12, message.size() - 12),
                  std::string("\0\0\0", 3) + static_cast<char>(type) + std::string("\0\0\0", 3) +
                      length + text + '\0');
        uint32_t slot;
        std::memcpy(&slot, message.data() + 8, 4);
        EXPECT_EQ(slot, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(message.data() + 12)));
    }
}

TEST(StudioMessageTest, PayloadTextEndsAtTheFirstNulOrTheLength) {
    auto make = [](const std::string& bytes) {
        StudioMessage message;
        message.header.length = static_cast<uint32_t>(bytes.size());
        message.payload = std::make_unique<char[]>(bytes.size());
        std::memcpy(message.payload.get(), bytes.data(), bytes.size());
        return message;
    };
    EXPECT_EQ(make(std::string("{\"a\":1}\0", 8)).text(), "{\"a\":1}");
    EXPECT_EQ(make("{\"a\":1}").text(), "{\"a\":1}");  // no NUL: every byte
    EXPECT_EQ(make(std::string("ab\0cd", 5)).text(), "ab");
    EXPECT_EQ(make(std::string("\0x", 2)).text(), "");
    EXPECT_EQ(make("").text(), "");
    EXPECT_EQ(StudioMessage().text(), "");
}

}  // namespace
}  // namespace orvex
