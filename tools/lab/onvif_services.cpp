#include "tools/lab/onvif_services.h"

#include <charconv>

namespace orvex::lab::onvif {

const char* PrefixOf(const std::string& ns) {
    if (ns == kDeviceNs) {
        return "tds";
    }
    if (ns == kMediaNs) {
        return "trt";
    }
    if (ns == kMedia2Ns) {
        return "tr2";
    }
    if (ns == kImagingNs) {
        return "timg";
    }
    return "tan";
}

std::string ServicePath(const std::string& service) {
    return "/onvif/" + service + "_service";
}

Channel& ChannelByToken(CameraState& state, const std::string& token) {
    for (Channel& c : state.channels) {
        const std::string n = std::to_string(c.number);
        for (const std::string& t :
             {"VideoSource_" + n, "VideoSourceConfig_" + n, "Profile_" + n + "_main",
              "Profile_" + n + "_sub", c.main.token, c.sub.token, c.audio.token, c.dateOsd.token,
              c.nameOsd.token, "VideoAnalyticsConfig_" + n, "AudioSource_" + n,
              "AudioSourceConfig_" + n}) {
            if (t == token) {
                return c;
            }
        }
    }
    throw SoapFault(FaultCode::kNoEntity,
                    "no configuration or source has the token \"" + token + "\"");
}

std::string Arg(OperationContext& c, const char* local, bool required) {
    std::optional<std::string> text = ChildText(c.request, NamespaceOf(c.request), local);
    if (!text && required) {
        throw SoapFault(FaultCode::kInvalidArgVal, std::string(local) + " is missing");
    }
    return text.value_or("");
}

int ParseInt(const std::string& text, const char* what) {
    // Clients send some whole numbers as decimals ("25.0", "4096.000").
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < -2e9 || value > 2e9) {
        throw SoapFault(FaultCode::kInvalidArgVal,
                        std::string(what) + " \"" + text + "\" is not a number");
    }
    return static_cast<int>(value < 0 ? value - 0.5 : value + 0.5);
}

bool ParseBool(const std::string& text, const char* what) {
    if (text == "true" || text == "1") {
        return true;
    }
    if (text == "false" || text == "0") {
        return false;
    }
    throw SoapFault(FaultCode::kInvalidArgVal,
                    std::string(what) + " \"" + text + "\" is not a boolean");
}

void Refuse(const std::optional<std::string>& reason) {
    if (reason) {
        throw SoapFault(FaultCode::kInvalidArgVal, *reason);
    }
}

}  // namespace orvex::lab::onvif
