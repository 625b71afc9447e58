#include "platform/onvif/onvif_media2.h"

#include <algorithm>
#include <sstream>

#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

std::vector<int> Numbers(const char* text) {
    std::vector<int> values;
    std::istringstream in(text);
    std::string word;
    while (in >> word && values.size() < 1000) {
        if (std::optional<int> v = ParseInt(word)) {
            values.push_back(*v);
        }
    }
    return values;
}

}  // namespace

VideoEncoder ParseEncoder20(pugi::xml_node v) {
    VideoEncoder e;
    e.token = v.attribute("token").value();
    e.encoding = ChildText(v, kSchemaNs, "Encoding").value_or("");
    pugi::xml_node r = Child(v, kSchemaNs, "Resolution");
    e.width = ChildInt(r, "Width").value_or(0);
    e.height = ChildInt(r, "Height").value_or(0);
    e.quality = ChildInt(v, "Quality").value_or(0);
    pugi::xml_node rate = Child(v, kSchemaNs, "RateControl");
    e.frameRate = ChildInt(rate, "FrameRateLimit").value_or(0);
    e.bitrate = ChildInt(rate, "BitrateLimit").value_or(0);
    e.govLength = ParseInt(v.attribute("GovLength").value()).value_or(0);
    e.constantBitRate = ParseBool(rate.attribute("ConstantBitRate").value()).value_or(false);
    return e;
}

EncoderOptions ParseEncoderOptions20(pugi::xml_node answer) {
    EncoderOptions o;
    for (pugi::xml_node opt : Children(answer, kMedia2Ns, "Options")) {
        const std::string encoding = ChildText(opt, kSchemaNs, "Encoding").value_or("");
        if (!encoding.empty() &&
            std::find(o.encodings.begin(), o.encodings.end(), encoding) == o.encodings.end()) {
            o.encodings.push_back(encoding);
        }
        for (pugi::xml_node r : Children(opt, kSchemaNs, "ResolutionsAvailable")) {
            const std::pair<int, int> wh{ChildInt(r, "Width").value_or(0),
                                         ChildInt(r, "Height").value_or(0)};
            if (wh.first > 0 && wh.second > 0 &&
                std::find(o.resolutions.begin(), o.resolutions.end(), wh) == o.resolutions.end()) {
                o.resolutions.push_back(wh);
            }
        }
        for (int rate : Numbers(opt.attribute("FrameRatesSupported").value())) {
            o.frameRates.push_back(rate);
        }
        const std::vector<int> gov = Numbers(opt.attribute("GovLengthRange").value());
        if (gov.size() == 2) {
            o.govMin = gov[0];
            o.govMax = gov[1];
        }
        if (pugi::xml_node q = Child(opt, kSchemaNs, "QualityRange")) {
            o.qualityMin = ChildInt(q, "Min").value_or(o.qualityMin);
            o.qualityMax = ChildInt(q, "Max").value_or(o.qualityMax);
        }
        if (pugi::xml_node b = Child(opt, kSchemaNs, "BitrateRange")) {
            o.bitrateMin = ChildInt(b, "Min").value_or(o.bitrateMin);
            o.bitrateMax = ChildInt(b, "Max").value_or(o.bitrateMax);
        }
        o.constantBitRate =
            o.constantBitRate ||
            ParseBool(opt.attribute("ConstantBitRateSupported").value()).value_or(false);
    }
    std::sort(o.frameRates.begin(), o.frameRates.end());
    o.frameRates.erase(std::unique(o.frameRates.begin(), o.frameRates.end()), o.frameRates.end());
    return o;
}

bool GetEncoder2(SoapClient& c, const std::string& path, const std::string& token,
                 VideoEncoder& encoder, Reply& reply) {
    c.call(
        path, kMedia2Ns, "GetVideoEncoderConfigurations",
        [&](pugi::xml_node op) {
            op.append_child("tr2:ConfigurationToken").text().set(token.c_str());
        },
        reply);
    if (!reply.ok()) {
        return false;
    }
    for (pugi::xml_node v : Children(reply.answer, kMedia2Ns, "Configurations")) {
        if (token == v.attribute("token").value()) {
            encoder = ParseEncoder20(v);
            return true;
        }
    }
    reply.failure = Failure::kMalformed;
    reply.reason = "the camera did not report video encoder configuration " + token;
    return false;
}

bool GetEncoderOptions2(SoapClient& c, const std::string& path, const std::string& token,
                        EncoderOptions& options, Reply& reply) {
    c.call(
        path, kMedia2Ns, "GetVideoEncoderConfigurationOptions",
        [&](pugi::xml_node op) {
            op.append_child("tr2:ConfigurationToken").text().set(token.c_str());
        },
        reply);
    if (reply.ok()) {
        options = ParseEncoderOptions20(reply.answer);
    }
    return reply.ok();
}

bool SetEncoder2(SoapClient& c, const std::string& path, const std::string& token,
                 const EncoderChange& change, Reply& reply) {
    Reply read;  // the configuration as the camera has it, alive while the set is built
    c.call(
        path, kMedia2Ns, "GetVideoEncoderConfigurations",
        [&](pugi::xml_node op) {
            op.append_child("tr2:ConfigurationToken").text().set(token.c_str());
        },
        read);
    if (!read.ok()) {
        return CopyFailure(read, reply);
    }
    pugi::xml_node current;
    for (pugi::xml_node v : Children(read.answer, kMedia2Ns, "Configurations")) {
        if (token == v.attribute("token").value()) {
            current = v;
        }
    }
    if (!current) {
        reply.failure = Failure::kMalformed;
        reply.reason = "the camera did not report video encoder configuration " + token;
        return false;
    }
    c.call(
        path, kMedia2Ns, "SetVideoEncoderConfiguration",
        [&](pugi::xml_node op) {
            pugi::xml_node v = CopyElement(op, current, "tr2:Configuration");
            if (change.encoding) {
                SetChildText(v, "Encoding", *change.encoding);
                // H.265 has one profile the cameras share; another codec's profile would be
                // refused with it.
                if (*change.encoding == "H265") {
                    v.remove_attribute("Profile");
                    v.append_attribute("Profile") = "Main";
                }
            }
            if (change.resolution) {
                pugi::xml_node r = Child(v, kSchemaNs, "Resolution");
                if (!r) {
                    r = v.append_child("tt:Resolution");
                }
                SetChildText(r, "Width", std::to_string(change.resolution->first));
                SetChildText(r, "Height", std::to_string(change.resolution->second));
            }
            if (change.quality) {
                SetChildText(v, "Quality", std::to_string(*change.quality));
            }
            if (change.frameRate || change.bitrate || change.constantBitRate) {
                pugi::xml_node rate = Child(v, kSchemaNs, "RateControl");
                if (!rate) {
                    rate = v.append_child("tt:RateControl");
                }
                if (change.frameRate) {
                    SetChildText(rate, "FrameRateLimit", std::to_string(*change.frameRate));
                }
                if (change.bitrate) {
                    SetChildText(rate, "BitrateLimit", std::to_string(*change.bitrate));
                }
                if (change.constantBitRate) {
                    rate.remove_attribute("ConstantBitRate");
                    rate.append_attribute("ConstantBitRate") =
                        *change.constantBitRate ? "true" : "false";
                }
            }
            if (change.govLength) {
                v.remove_attribute("GovLength");
                v.append_attribute("GovLength") = *change.govLength;
            }
        },
        reply);
    return reply.ok();
}

}  // namespace orvex::onvif
