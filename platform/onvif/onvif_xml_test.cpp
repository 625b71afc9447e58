// Numbers as cameras write them: ONVIF's xs:float values ("50.000000") read as whole numbers
// through the imaging and Media2 readers, and text that is no number read as none.
#include "platform/onvif/onvif_xml.h"

#include <gtest/gtest.h>

#include "platform/onvif/onvif_imaging.h"
#include "platform/onvif/onvif_media2.h"
#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {
namespace {

TEST(OnvifNumbers, WholeAndFloatTextReadToTheNearestWholeNumber) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"50", 50},
        {" 7 ", 7},
        {"-3", -3},
        {"50.000000", 50},
        {"49.5", 50},
        {"0.4", 0},
        {"-0.6", -1},
        {"4.95e1", 50},
        {"2147483647", 2147483647},
        {"", std::nullopt},
        {"5x", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"1e10", std::nullopt},
        {"99999999999", std::nullopt},
        {"0x10", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseInt(text), expected) << '"' << text << '"';
    }
}

TEST(OnvifNumbers, ACameraWritingFloatsReadsLikeOneWritingWholeNumbers) {
    const std::string tt = "xmlns:tt=\"http://www.onvif.org/ver10/schema\"";
    const auto answer = [](const std::string& body, Reply& reply) {
        ParseSoapAnswer("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>" +
                            body + "</s:Body></s:Envelope>",
                        200, reply);
        ASSERT_TRUE(reply.ok()) << reply.reason;
    };
    Reply settings;
    answer(
        "<timg:GetImagingSettingsResponse xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\" " +
            tt +
            "><timg:ImagingSettings><tt:Brightness>62.000000</tt:Brightness>"
            "<tt:ColorSaturation>49.6</tt:ColorSaturation><tt:Contrast>5E1</tt:Contrast>"
            "</timg:ImagingSettings></timg:GetImagingSettingsResponse>",
        settings);
    const ImagingSettings s = ParseImagingSettings(settings.answer);
    EXPECT_EQ(s.brightness, 62);
    EXPECT_EQ(s.saturation, 50);
    EXPECT_EQ(s.contrast, 50);

    Reply options;
    answer("<timg:GetOptionsResponse xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\" " + tt +
               "><timg:ImagingOptions><tt:Brightness><tt:Min>0.000000</tt:Min>"
               "<tt:Max>100.000000</tt:Max></tt:Brightness></timg:ImagingOptions>"
               "</timg:GetOptionsResponse>",
           options);
    const Range b = ParseImagingOptions(options.answer).brightness;
    EXPECT_TRUE(b.present);
    EXPECT_EQ(std::make_pair(b.min, b.max), std::make_pair(0, 100));

    Reply encoder;
    answer("<tt:Configurations " + tt +
               " token=\"E1\" GovLength=\"50\"><tt:Encoding>H264</tt:Encoding>"
               "<tt:Quality>4.000000</tt:Quality><tt:RateControl ConstantBitRate=\"false\">"
               "<tt:FrameRateLimit>25.000000</tt:FrameRateLimit><tt:BitrateLimit>4096"
               "</tt:BitrateLimit></tt:RateControl></tt:Configurations>",
           encoder);
    const VideoEncoder e = ParseEncoder20(encoder.answer);
    EXPECT_EQ(e.quality, 4);
    EXPECT_EQ(e.frameRate, 25);
    EXPECT_EQ(e.bitrate, 4096);
}

}  // namespace
}  // namespace orvex::onvif
