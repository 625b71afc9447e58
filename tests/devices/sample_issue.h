// Issue requests shared by the device tests and the issuing benchmark. Free of GoogleTest so the
// benchmark can take them too.
#pragma once

#include <string>

namespace orvex::testing {

// A main and a sub stream with every field set, as a request's "videoConfig" array holds them.
inline constexpr char kSampleVideoStreams[] = R"(
      {"streamType":0,"keyFrameInterval":50,"maxFrameRate":25,"picQuality":2,"vbrUpperCap":4096,
       "videoFlowType":1,"bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H265",
       "videoResolution":19},
      {"streamType":0,"keyFrameInterval":25,"maxFrameRate":15,"picQuality":3,"vbrUpperCap":512,
       "videoFlowType":0,"bitrateType":"CBR","frameType":0,"videoCodecType":"STD_H264",
       "videoResolution":2})";

// Every kind of item: defence (two calls), audio and video (three items), colour and display.
inline const std::string kWholeConfig = std::string(R"({"configItems":{
  "defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":0,
    "sensitivityLevel":1,"remindVoice":4}},
  "imageConfig":{"audioAndVideoConfig":{"videoConfig":[)") +
                                        kSampleVideoStreams + R"(],
    "audioConfig":{"audioCompressionType":"G711_U","inputVolume":33,"outputVolume":44}},
    "imageColor":{"brightnessLevel":61,"contrastLevel":52,"saturationLevel":43,"hue":34},
    "imageDisplay":{"showOrvexLogo":true,"showName":true,"showDate":false,"showWeek":true,
      "dateFormat":"yyyy-MM-dd","displayState":1,"timeFormat":1}}}})";

}  // namespace orvex::testing
