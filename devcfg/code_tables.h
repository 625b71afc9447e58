// The code tables between device library codes and the page's words (video and audio
// encodings, date formats, bitrates, Wi-Fi, audio input and bitrate type words), in one place.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvex {

// Written for a video or audio encoding word that matches no table entry.
inline constexpr uint8_t kUnknownEncodingCode = 0xFF;

// Wi-Fi security and cipher codes of the Wi-Fi block.
inline constexpr int32_t kWifiSecurityWpaPsk = 2;
inline constexpr int32_t kWifiSecurityWpa2Psk = 4;
inline constexpr uint8_t kWifiCipherAes = 0;
inline constexpr uint8_t kWifiCipherTkip = 1;

// Audio input modes of the audio input block.
inline constexpr uint8_t kAudioInputMic = 0;
inline constexpr uint8_t kAudioInputLine = 1;

// Code to word: the page word exactly as written to the page, or nullptr for a code that has
// none. Word to code: the page word compared without regard to ASCII letter case. All pure;
// any thread.

// Video encoding (stream record byte 24): 0 "H.264", 1 "STD_H264", 2 "STD_MPEG4", 7 "M_JPEG",
// 8 "MPEG2", 9 "SVAC", 10 "STD_H265", 254 "自动" (automatic).
const char* VideoEncodingWord(int32_t code);
// kUnknownEncodingCode when no word matches.
uint8_t VideoEncodingCode(std::string_view word);

// Audio encoding (stream record byte 25): 0 "G722", 1 "G711_U", 2 "G711_A", 5 "MP2L2",
// 6 "G276", 7 "AAC", 8 "PCM".
const char* AudioEncodingWord(int32_t code);
// kUnknownEncodingCode when no word matches.
uint8_t AudioEncodingCode(std::string_view word);

// Date format (byte 568): 0 "yyyy-MM-dd" to 8 "dd/MM/yyyy".
const char* DateFormatWord(int32_t code);
// -1 when no word matches.
int32_t DateFormatCode(std::string_view word);

// Wi-Fi words: security 2 "WPA-PSK", 4 "WPA2-PSK"; cipher 0 "AES", 1 "TKIP".
const char* WifiSecurityWord(int32_t security);
const char* WifiCipherWord(int32_t cipher);

// Audio input: 0 "Mic In", 1 "Line In". AudioInputCode gives -1 when no word matches.
const char* AudioInputWord(int32_t mode);
int32_t AudioInputCode(std::string_view word);

// Bitrate type byte: 0 is "VBR", anything else "CBR".
const char* BitrateTypeWord(int32_t type);

// The bitrate code whose rate is exactly `kbps` kbit/s; 0 for any other rate (no rounding).
int32_t kbpsToBitrateCode(int32_t kbps);
// The rate in kbit/s of codes 1 to 30; 0 for any other code.
int32_t bitrateCodeToKbps(int32_t code);

// True when `a` and `b` are equal ignoring ASCII letter case (other bytes compare exactly).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orvex
