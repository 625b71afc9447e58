#include "devcfg/code_tables.h"

#include <array>

#include "platform/rprov/rprov_records.h"

namespace orvex {

namespace {

struct CodeWord {
    int32_t code;
    const char* word;
};

constexpr CodeWord kVideoEncodings[] = {
    {0, "H.264"}, {1, "STD_H264"}, {2, "STD_MPEG4"}, {7, "M_JPEG"},
    {8, "MPEG2"}, {9, "SVAC"},     {10, "STD_H265"}, {254, "自动"},
};

constexpr CodeWord kAudioEncodings[] = {
    {0, "G722"}, {1, "G711_U"}, {2, "G711_A"}, {5, "MP2L2"}, {6, "G276"}, {7, "AAC"}, {8, "PCM"},
};

constexpr CodeWord kDateFormats[] = {
    {0, "yyyy-MM-dd"}, {1, "MM-dd-yyyy"}, {2, "yyyyMMdd"},   {3, "MMddyyyy"},   {4, "dd-MM-yyyy"},
    {5, "ddMMyyyy"},   {6, "MM/dd/yyyy"}, {7, "yyyy/MM/dd"}, {8, "dd/MM/yyyy"},
};

constexpr CodeWord kWifiSecurities[] = {{2, "WPA-PSK"}, {4, "WPA2-PSK"}};
constexpr CodeWord kWifiCiphers[] = {{0, "AES"}, {1, "TKIP"}};
constexpr CodeWord kAudioInputs[] = {{0, "Mic In"}, {1, "Line In"}};

template <size_t N>
const char* WordOf(const CodeWord (&table)[N], int32_t code) {
    for (const CodeWord& e : table) {
        if (e.code == code) {
            return e.word;
        }
    }
    return nullptr;
}

template <size_t N>
int32_t CodeOf(const CodeWord (&table)[N], std::string_view word, int32_t none) {
    for (const CodeWord& e : table) {
        if (EqualsIgnoringCase(word, e.word)) {
            return e.code;
        }
    }
    return none;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

const char* VideoEncodingWord(int32_t code) {
    return WordOf(kVideoEncodings, code);
}

uint8_t VideoEncodingCode(std::string_view word) {
    return static_cast<uint8_t>(CodeOf(kVideoEncodings, word, kUnknownEncodingCode));
}

const char* AudioEncodingWord(int32_t code) {
    return WordOf(kAudioEncodings, code);
}

uint8_t AudioEncodingCode(std::string_view word) {
    return static_cast<uint8_t>(CodeOf(kAudioEncodings, word, kUnknownEncodingCode));
}

const char* DateFormatWord(int32_t code) {
    return WordOf(kDateFormats, code);
}

int32_t DateFormatCode(std::string_view word) {
    return CodeOf(kDateFormats, word, -1);
}

const char* WifiSecurityWord(int32_t security) {
    return WordOf(kWifiSecurities, security);
}

const char* WifiCipherWord(int32_t cipher) {
    return WordOf(kWifiCiphers, cipher);
}

const char* AudioInputWord(int32_t mode) {
    return WordOf(kAudioInputs, mode);
}

int32_t AudioInputCode(std::string_view word) {
    return CodeOf(kAudioInputs, word, -1);
}

const char* BitrateTypeWord(int32_t type) {
    return type == 0 ? "VBR" : "CBR";
}

int32_t kbpsToBitrateCode(int32_t kbps) {
    for (int32_t code = 1; code <= kBitrateCodeCount; ++code) {
        if (BitrateCodeKbps(code) == kbps) {
            return code;
        }
    }
    return 0;
}

int32_t bitrateCodeToKbps(int32_t code) {
    return BitrateCodeKbps(code);
}

}  // namespace orvex
