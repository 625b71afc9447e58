#include "platform/onvif/onvif_media2.h"

#include <algorithm>
#include <sstream>

#include "platform/onvif/onvif_rewrite.h"
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

// The configuration with that token in a GetVideoEncoderConfigurations answer (the last, should
// the camera list it twice); empty when it is not there.
pugi::xml_node LastWithToken(pugi::xml_node answer, const std::string& token) {
    pugi::xml_node current;
    for (pugi::xml_node v : Children(answer, kMedia2Ns, "Configurations")) {
        if (token == v.attribute("token").value()) {
            current = v;
        }
    }
    return current;
}

std::string MissingReason(const std::string& token) {
    return "the camera did not report video encoder configuration " + token;
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
    c.call(path, kMedia2Ns, "GetVideoEncoderConfigurations",
           TokenArgument("tr2:ConfigurationToken", token), reply);
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
    reply.reason = MissingReason(token);
    return false;
}

bool GetEncoderOptions2(SoapClient& c, const std::string& path, const std::string& token,
                        EncoderOptions& options, Reply& reply) {
    return CallAndRead(
        c, path, kMedia2Ns, "GetVideoEncoderConfigurationOptions",
        TokenArgument("tr2:ConfigurationToken", token),
        [&](pugi::xml_node answer) { options = ParseEncoderOptions20(answer); }, reply);
}

bool SetEncoder2(SoapClient& c, const std::string& path, const std::string& token,
                 const EncoderChange& change, Reply& reply) {
    const Rewrite how{.ns = kMedia2Ns,
                      .read = "GetVideoEncoderConfigurations",
                      .keyElement = "tr2:ConfigurationToken",
                      .key = token,
                      .find = [&](pugi::xml_node answer) { return LastWithToken(answer, token); },
                      .missing = Failure::kMalformed,
                      .missingReason = MissingReason(token),
                      .write = "SetVideoEncoderConfiguration",
                      .copyAs = "tr2:Configuration"};
    return RewriteConfiguration(
        c, path, how,
        [&](pugi::xml_node v) {
            ApplyEncoderChange(v, change);
            // H.265 has one profile the cameras share; another codec's profile would be refused
            // with it.
            if (change.encoding == "H265") {
                v.remove_attribute("Profile");
                v.append_attribute("Profile") = "Main";
            }
            if (change.constantBitRate) {
                pugi::xml_node rate = ChildOrAdd(v, "RateControl");
                rate.remove_attribute("ConstantBitRate");
                rate.append_attribute("ConstantBitRate") =
                    *change.constantBitRate ? "true" : "false";
            }
            if (change.govLength) {
                v.remove_attribute("GovLength");
                v.append_attribute("GovLength") = *change.govLength;
            }
        },
        reply);
}

}  // namespace orvex::onvif
