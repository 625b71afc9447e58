// The media services: ver10 (profiles, video sources, video and audio encoder configurations
// and their options, OSDs) and ver20 where it adds H.265 and constant-bitrate control. Both
// read and change the same camera state; two profiles (main and sub stream) per video source.
#include <algorithm>

#include "tools/lab/onvif_camera.h"
#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

bool IsVer20(const OperationContext& c) {
    return NamespaceOf(c.request) == kMedia2Ns;
}
// The element name in the answer's namespace: "trt:Name" or "tr2:Name".
std::string In(const OperationContext& c, const char* local) {
    return std::string(IsVer20(c) ? "tr2:" : "trt:") + local;
}

std::string N(const Channel& ch) {
    return std::to_string(ch.number);
}

VideoEncoder& Stream(Channel& ch, int stream) {
    return stream == 0 ? ch.main : ch.sub;
}

// The channel and stream of an encoder token; ter:NoEntity for another token.
std::pair<Channel*, int> EncoderByToken(CameraState& state, const std::string& token) {
    for (Channel& ch : state.channels) {
        for (int s = 0; s < 2; ++s) {
            if (Stream(ch, s).token == token) {
                return {&ch, s};
            }
        }
    }
    throw SoapFault(FaultCode::kNoEntity, "no video encoder configuration \"" + token + "\"");
}

std::pair<Channel*, int> ProfileByToken(CameraState& state, const std::string& token) {
    for (Channel& ch : state.channels) {
        if (token == "Profile_" + N(ch) + "_main") {
            return {&ch, 0};
        }
        if (token == "Profile_" + N(ch) + "_sub") {
            return {&ch, 1};
        }
    }
    throw SoapFault(FaultCode::kNoEntity, "no profile \"" + token + "\"");
}

void AddVideoSourceConfiguration(pugi::xml_node parent, const std::string& name,
                                 const Channel& ch) {
    pugi::xml_node v = parent.append_child(name.c_str());
    v.append_attribute("token") = ("VideoSourceConfig_" + N(ch)).c_str();
    Add(v, "tt:Name", "VideoSourceConfig_" + N(ch));
    Add(v, "tt:UseCount", 2);
    Add(v, "tt:SourceToken", "VideoSource_" + N(ch));
    pugi::xml_node bounds = v.append_child("tt:Bounds");
    bounds.append_attribute("x") = 0;
    bounds.append_attribute("y") = 0;
    bounds.append_attribute("width") = ch.main.width;
    bounds.append_attribute("height") = ch.main.height;
}

void AddAudioSourceConfiguration(pugi::xml_node parent, const std::string& name,
                                 const Channel& ch) {
    pugi::xml_node a = parent.append_child(name.c_str());
    a.append_attribute("token") = ("AudioSourceConfig_" + N(ch)).c_str();
    Add(a, "tt:Name", "AudioSourceConfig_" + N(ch));
    Add(a, "tt:UseCount", 1);
    Add(a, "tt:SourceToken", "AudioSource_" + N(ch));
}

void AddMulticast(pugi::xml_node parent) {
    pugi::xml_node m = parent.append_child("tt:Multicast");
    pugi::xml_node address = m.append_child("tt:Address");
    Add(address, "tt:Type", "IPv4");
    Add(address, "tt:IPv4Address", "0.0.0.0");
    Add(m, "tt:Port", 0);
    Add(m, "tt:TTL", 0);
    Add(m, "tt:AutoStart", "false");
}

// ver10 has no word for H.265: such a stream shows as H264 there (Media2 tells the truth).
void AddEncoder10(pugi::xml_node parent, const std::string& name, const VideoEncoder& e) {
    pugi::xml_node v = parent.append_child(name.c_str());
    v.append_attribute("token") = e.token.c_str();
    Add(v, "tt:Name", e.name);
    Add(v, "tt:UseCount", 1);
    const std::string encoding = e.encoding == "JPEG" ? "JPEG" : "H264";
    Add(v, "tt:Encoding", encoding);
    pugi::xml_node r = v.append_child("tt:Resolution");
    Add(r, "tt:Width", e.width);
    Add(r, "tt:Height", e.height);
    Add(v, "tt:Quality", e.quality);
    pugi::xml_node rate = v.append_child("tt:RateControl");
    Add(rate, "tt:FrameRateLimit", e.frameRate);
    Add(rate, "tt:EncodingInterval", e.encodingInterval);
    Add(rate, "tt:BitrateLimit", e.bitrate);
    if (encoding == "H264") {
        pugi::xml_node h = v.append_child("tt:H264");
        Add(h, "tt:GovLength", e.govLength);
        Add(h, "tt:H264Profile", e.encoding == "H264" ? e.profile : "Main");
    }
    AddMulticast(v);
    Add(v, "tt:SessionTimeout", "PT60S");
}

void AddEncoder20(pugi::xml_node parent, const std::string& name, const VideoEncoder& e) {
    pugi::xml_node v = parent.append_child(name.c_str());
    v.append_attribute("token") = e.token.c_str();
    if (e.encoding != "JPEG") {
        v.append_attribute("GovLength") = e.govLength;
        v.append_attribute("Profile") = e.profile.c_str();
    }
    Add(v, "tt:Name", e.name);
    Add(v, "tt:UseCount", 1);
    Add(v, "tt:Encoding", e.encoding);
    pugi::xml_node r = v.append_child("tt:Resolution");
    Add(r, "tt:Width", e.width);
    Add(r, "tt:Height", e.height);
    pugi::xml_node rate = v.append_child("tt:RateControl");
    rate.append_attribute("ConstantBitRate") = e.constantBitRate ? "true" : "false";
    Add(rate, "tt:FrameRateLimit", e.frameRate);
    Add(rate, "tt:BitrateLimit", e.bitrate);
    Add(v, "tt:Quality", e.quality);
}

void AddEncoder(OperationContext& c, pugi::xml_node parent, const std::string& name,
                const VideoEncoder& e) {
    IsVer20(c) ? AddEncoder20(parent, name, e) : AddEncoder10(parent, name, e);
}

// ver20 names encodings by their RTP payload names.
std::string AudioName(const std::string& encoding, bool ver20) {
    if (!ver20) {
        return encoding;
    }
    return encoding == "G711" ? "PCMU" : encoding == "AAC" ? "MP4A-LATM" : encoding;
}

std::string AudioFromName(const std::string& name) {
    return name == "PCMU" ? "G711" : name == "MP4A-LATM" ? "AAC" : name;
}

void AddAudioEncoder(pugi::xml_node parent, const std::string& name, const AudioEncoder& a,
                     bool ver20) {
    pugi::xml_node v = parent.append_child(name.c_str());
    v.append_attribute("token") = a.token.c_str();
    Add(v, "tt:Name", a.token);
    Add(v, "tt:UseCount", 1);
    Add(v, "tt:Encoding", AudioName(a.encoding, ver20));
    Add(v, "tt:Bitrate", a.bitrate);
    Add(v, "tt:SampleRate", a.sampleRate);
    if (!ver20) {
        AddMulticast(v);
        Add(v, "tt:SessionTimeout", "PT60S");
    }
}

void AddOsd(pugi::xml_node parent, const std::string& name, const Channel& ch, const Osd& o) {
    pugi::xml_node v = parent.append_child(name.c_str());
    v.append_attribute("token") = o.token.c_str();
    Add(v, "tt:VideoSourceConfigurationToken", "VideoSourceConfig_" + N(ch));
    Add(v, "tt:Type", "Text");
    Add(v.append_child("tt:Position"), "tt:Type", o.position);
    pugi::xml_node text = v.append_child("tt:TextString");
    Add(text, "tt:Type", o.textType);
    if (o.textType == "Date" || o.textType == "DateAndTime") {
        Add(text, "tt:DateFormat", o.dateFormat);
    }
    if (o.textType == "Time" || o.textType == "DateAndTime") {
        Add(text, "tt:TimeFormat", o.timeFormat);
    }
    if (o.textType == "Plain") {
        Add(text, "tt:PlainText", o.plainText);
    }
}

bool OsdOffered(const OperationContext& c) {
    return !c.faults.noOsd;
}
void RequireOsd(const OperationContext& c) {
    if (!OsdOffered(c)) {
        throw SoapFault(FaultCode::kActionNotSupported, "摄像机没有屏幕字符叠加（OSD）");
    }
}

// ---- profiles and sources

// `element`: "trt:Profiles" in GetProfiles, "trt:Profile" in GetProfile.
void AddProfile10(pugi::xml_node parent, const char* element, const Channel& ch, int s) {
    pugi::xml_node p = parent.append_child(element);
    p.append_attribute("token") = ("Profile_" + N(ch) + (s == 0 ? "_main" : "_sub")).c_str();
    p.append_attribute("fixed") = "true";
    Add(p, "tt:Name", (s == 0 ? "MainStream_" : "SubStream_") + N(ch));
    AddVideoSourceConfiguration(p, "tt:VideoSourceConfiguration", ch);
    if (s == 0) {
        AddAudioSourceConfiguration(p, "tt:AudioSourceConfiguration", ch);
    }
    AddEncoder10(p, "tt:VideoEncoderConfiguration", s == 0 ? ch.main : ch.sub);
    if (s == 0) {
        AddAudioEncoder(p, "tt:AudioEncoderConfiguration", ch.audio, false);
    }
    // The analytics configuration both profiles share: where clients find the token of the
    // channel's rules and modules.
    pugi::xml_node analytics = p.append_child("tt:VideoAnalyticsConfiguration");
    analytics.append_attribute("token") = ("VideoAnalyticsConfig_" + N(ch)).c_str();
    Add(analytics, "tt:Name", "VideoAnalyticsConfig_" + N(ch));
    Add(analytics, "tt:UseCount", 2);
    analytics.append_child("tt:AnalyticsEngineConfiguration");
    analytics.append_child("tt:RuleEngineConfiguration");
}

void AddProfile20(pugi::xml_node parent, const Channel& ch, int s) {
    pugi::xml_node p = parent.append_child("tr2:Profiles");
    p.append_attribute("token") = ("Profile_" + N(ch) + (s == 0 ? "_main" : "_sub")).c_str();
    p.append_attribute("fixed") = "true";
    Add(p, "tr2:Name", (s == 0 ? "MainStream_" : "SubStream_") + N(ch));
    pugi::xml_node configs = p.append_child("tr2:Configurations");
    AddVideoSourceConfiguration(configs, "tr2:VideoSource", ch);
    if (s == 0) {
        AddAudioSourceConfiguration(configs, "tr2:AudioSource", ch);
    }
    AddEncoder20(configs, "tr2:VideoEncoder", s == 0 ? ch.main : ch.sub);
    if (s == 0) {
        AddAudioEncoder(configs, "tr2:AudioEncoder", ch.audio, true);
    }
}

void GetProfiles(OperationContext& c) {
    const std::string only = IsVer20(c) ? Arg(c, "Token", false) : "";
    for (Channel& ch : c.state.channels) {
        for (int s = 0; s < 2; ++s) {
            if (!only.empty() && ProfileByToken(c.state, only) != std::make_pair(&ch, s)) {
                continue;
            }
            IsVer20(c) ? AddProfile20(c.response, ch, s)
                       : AddProfile10(c.response, "trt:Profiles", ch, s);
        }
    }
}

void GetProfile(OperationContext& c) {
    const auto [ch, s] = ProfileByToken(c.state, Arg(c, "ProfileToken"));
    AddProfile10(c.response, "trt:Profile", *ch, s);
}

void GetVideoSources(OperationContext& c) {
    for (const Channel& ch : c.state.channels) {
        pugi::xml_node v = c.response.append_child("trt:VideoSources");
        v.append_attribute("token") = ("VideoSource_" + N(ch)).c_str();
        Add(v, "tt:Framerate", OptionsOfStream(0).frameRateMax);
        pugi::xml_node r = v.append_child("tt:Resolution");
        Add(r, "tt:Width", ch.main.width);
        Add(r, "tt:Height", ch.main.height);
    }
}

void GetVideoSourceConfigurations(OperationContext& c) {
    for (const Channel& ch : c.state.channels) {
        AddVideoSourceConfiguration(c.response, In(c, "Configurations"), ch);
    }
}

// ---- video encoders

void GetVideoEncoderConfigurations(OperationContext& c) {
    std::string token = IsVer20(c) ? Arg(c, "ConfigurationToken", false) : "";
    const std::string profile = IsVer20(c) ? Arg(c, "ProfileToken", false) : "";
    if (!profile.empty()) {
        const auto [ch, s] = ProfileByToken(c.state, profile);
        token = Stream(*ch, s).token;
    }
    for (Channel& ch : c.state.channels) {
        for (int s = 0; s < 2; ++s) {
            if (token.empty() || token == Stream(ch, s).token) {
                AddEncoder(c, c.response, In(c, "Configurations"), Stream(ch, s));
            }
        }
    }
    if (!token.empty()) {
        EncoderByToken(c.state, token);  // ter:NoEntity for a token nobody has
    }
}

void GetVideoEncoderConfiguration(OperationContext& c) {
    const auto [ch, s] = EncoderByToken(c.state, Arg(c, "ConfigurationToken"));
    AddEncoder10(c.response, "trt:Configuration", Stream(*ch, s));
}

// Reads the encoder configuration of a set over the current one: every element present
// replaces its value, absent ones keep theirs.
void ReadEncoder(OperationContext& c, pugi::xml_node v, VideoEncoder& e) {
    const char* tt = kSchemaNs;
    if (auto text = ChildText(v, tt, "Name")) {
        e.name = *text;
    }
    if (auto text = ChildText(v, tt, "Encoding")) {
        if (!IsVer20(c) && *text != "H264" && *text != "JPEG") {
            throw SoapFault(FaultCode::kInvalidArgVal,
                            "encoding " + *text + " is not offered by Media (H264, JPEG)");
        }
        // A ver10 H264 set on a stream Media2 made H.265 keeps it H.265: ver10 shows it as H264.
        if (IsVer20(c) || !(*text == "H264" && e.encoding == "H265")) {
            e.encoding = *text;
        }
    }
    if (pugi::xml_node r = Child(v, tt, "Resolution")) {
        e.width = ParseInt(ChildText(r, tt, "Width").value_or(""), "Width");
        e.height = ParseInt(ChildText(r, tt, "Height").value_or(""), "Height");
    }
    if (auto text = ChildText(v, tt, "Quality")) {
        e.quality = ParseInt(*text, "Quality");
    }
    if (pugi::xml_node rate = Child(v, tt, "RateControl")) {
        if (auto text = ChildText(rate, tt, "FrameRateLimit")) {
            e.frameRate = ParseInt(*text, "FrameRateLimit");
        }
        if (auto text = ChildText(rate, tt, "EncodingInterval")) {
            e.encodingInterval = ParseInt(*text, "EncodingInterval");
        }
        if (auto text = ChildText(rate, tt, "BitrateLimit")) {
            e.bitrate = ParseInt(*text, "BitrateLimit");
        }
        if (pugi::xml_attribute cbr = rate.attribute("ConstantBitRate"); cbr && IsVer20(c)) {
            e.constantBitRate = ParseBool(cbr.value(), "ConstantBitRate");
        }
    }
    if (pugi::xml_node h = Child(v, tt, "H264")) {
        if (auto text = ChildText(h, tt, "GovLength")) {
            e.govLength = ParseInt(*text, "GovLength");
        }
        if (auto text = ChildText(h, tt, "H264Profile")) {
            e.profile = *text;
        }
    }
    if (pugi::xml_attribute gov = v.attribute("GovLength")) {
        e.govLength = ParseInt(gov.value(), "GovLength");
    }
    if (pugi::xml_attribute profile = v.attribute("Profile")) {
        e.profile = profile.value();
    }
    if (e.encoding == "H265" && e.profile != "Main" && !v.attribute("Profile")) {
        e.profile = "Main";  // switching to H.265 without naming a profile takes its only one
    }
}

void SetVideoEncoderConfiguration(OperationContext& c) {
    pugi::xml_node v = Child(c.request, NamespaceOf(c.request), "Configuration");
    const auto [ch, s] = EncoderByToken(c.state, v.attribute("token").value());
    VideoEncoder e = Stream(*ch, s);
    ReadEncoder(c, v, e);
    Refuse(CheckVideoEncoder(e, s));
    Stream(*ch, s) = e;
}

int StreamOfOptionsRequest(OperationContext& c) {
    const std::string token = Arg(c, "ConfigurationToken", false);
    if (!token.empty()) {
        return EncoderByToken(c.state, token).second;
    }
    const std::string profile = Arg(c, "ProfileToken", false);
    return profile.empty() ? 0 : ProfileByToken(c.state, profile).second;
}

void AddRange(pugi::xml_node parent, const char* name, int min, int max) {
    pugi::xml_node r = parent.append_child(name);
    Add(r, "tt:Min", min);
    Add(r, "tt:Max", max);
}

void AddResolutions(pugi::xml_node parent, const StreamOptions& o) {
    for (const auto& [w, h] : o.resolutions) {
        pugi::xml_node r = parent.append_child("tt:ResolutionsAvailable");
        Add(r, "tt:Width", w);
        Add(r, "tt:Height", h);
    }
}

void GetVideoEncoderConfigurationOptions(OperationContext& c) {
    const int stream = StreamOfOptionsRequest(c);
    const StreamOptions& o = OptionsOfStream(stream);
    if (IsVer20(c)) {
        for (const char* encoding : {"H264", "H265", "JPEG"}) {
            pugi::xml_node opt = c.response.append_child("tr2:Options");
            const std::string e = encoding;
            if (e != "JPEG") {
                opt.append_attribute("GovLengthRange") =
                    (std::to_string(kGovMin) + " " + std::to_string(kGovMax)).c_str();
                opt.append_attribute("ProfilesSupported") =
                    e == "H264" ? "Baseline Main High" : "Main";
            }
            std::string rates;
            for (int r = 1; r <= o.frameRateMax; ++r) {
                rates += (r > 1 ? " " : "") + std::to_string(r);
            }
            opt.append_attribute("FrameRatesSupported") = rates.c_str();
            opt.append_attribute("ConstantBitRateSupported") = "true";
            Add(opt, "tt:Encoding", e);
            AddRange(opt, "tt:QualityRange", kQualityMin, kQualityMax);
            AddResolutions(opt, o);
            AddRange(opt, "tt:BitrateRange", o.bitrateMin, o.bitrateMax);
        }
        return;
    }
    pugi::xml_node opt = c.response.append_child("trt:Options");
    AddRange(opt, "tt:QualityRange", kQualityMin, kQualityMax);
    const auto addCodec = [&](pugi::xml_node parent, bool h264, bool withBitrate) {
        pugi::xml_node codec = parent.append_child(h264 ? "tt:H264" : "tt:JPEG");
        AddResolutions(codec, o);
        if (h264) {
            AddRange(codec, "tt:GovLengthRange", kGovMin, kGovMax);
        }
        AddRange(codec, "tt:FrameRateRange", 1, o.frameRateMax);
        AddRange(codec, "tt:EncodingIntervalRange", 1, 30);
        if (h264) {
            for (const char* p : {"Baseline", "Main", "High"}) {
                Add(codec, "tt:H264ProfilesSupported", p);
            }
        }
        if (withBitrate) {
            AddRange(codec, "tt:BitrateRange", o.bitrateMin, o.bitrateMax);
        }
    };
    addCodec(opt, false, false);
    addCodec(opt, true, false);
    pugi::xml_node extension = opt.append_child("tt:Extension");
    addCodec(extension, false, true);
    addCodec(extension, true, true);
}

// ---- audio encoders

void GetAudioEncoderConfigurations(OperationContext& c) {
    for (const Channel& ch : c.state.channels) {
        AddAudioEncoder(c.response, In(c, "Configurations"), ch.audio, IsVer20(c));
    }
}

void GetAudioEncoderConfiguration(OperationContext& c) {
    Channel& ch = ChannelByToken(c.state, Arg(c, "ConfigurationToken"));
    AddAudioEncoder(c.response, "trt:Configuration", ch.audio, false);
}

void SetAudioEncoderConfiguration(OperationContext& c) {
    pugi::xml_node v = Child(c.request, NamespaceOf(c.request), "Configuration");
    const std::string token = v.attribute("token").value();
    Channel& ch = ChannelByToken(c.state, token);
    if (token != ch.audio.token) {
        throw SoapFault(FaultCode::kNoEntity, "no audio encoder configuration \"" + token + "\"");
    }
    AudioEncoder a = ch.audio;
    if (auto text = ChildText(v, kSchemaNs, "Encoding")) {
        a.encoding = AudioFromName(*text);
    }
    if (auto text = ChildText(v, kSchemaNs, "Bitrate")) {
        a.bitrate = ParseInt(*text, "Bitrate");
    }
    if (auto text = ChildText(v, kSchemaNs, "SampleRate")) {
        a.sampleRate = ParseInt(*text, "SampleRate");
    }
    Refuse(CheckAudioEncoder(a));
    ch.audio = a;
}

void GetAudioEncoderConfigurationOptions(OperationContext& c) {
    pugi::xml_node parent = IsVer20(c) ? c.response : c.response.append_child("trt:Options");
    for (const AudioOptions& o : AudioEncodings()) {
        pugi::xml_node opt =
            IsVer20(c) ? parent.append_child("tr2:Options") : parent.append_child("tt:Options");
        Add(opt, "tt:Encoding", AudioName(o.encoding, IsVer20(c)));
        pugi::xml_node bitrates = opt.append_child("tt:BitrateList");
        for (int b : o.bitrates) {
            Add(bitrates, "tt:Items", b);
        }
        pugi::xml_node rates = opt.append_child("tt:SampleRateList");
        for (int r : o.sampleRates) {
            Add(rates, "tt:Items", r);
        }
    }
}

// ---- OSDs

void GetOSDs(OperationContext& c) {
    RequireOsd(c);
    const std::string token = Arg(c, "ConfigurationToken", false);
    const std::string osdToken = IsVer20(c) ? Arg(c, "OSDToken", false) : "";
    for (const Channel& ch : c.state.channels) {
        if (!token.empty() && token != "VideoSourceConfig_" + N(ch)) {
            continue;
        }
        for (const Osd* o : {&ch.dateOsd, &ch.nameOsd}) {
            if (osdToken.empty() || osdToken == o->token) {
                AddOsd(c.response, In(c, "OSDs"), ch, *o);
            }
        }
    }
}

void GetOSD(OperationContext& c) {
    RequireOsd(c);
    const std::string token = Arg(c, "OSDToken");
    Channel& ch = ChannelByToken(c.state, token);
    AddOsd(c.response, "trt:OSD", ch, token == ch.dateOsd.token ? ch.dateOsd : ch.nameOsd);
}

void GetOSDOptions(OperationContext& c) {
    RequireOsd(c);
    ChannelByToken(c.state, Arg(c, "ConfigurationToken"));
    pugi::xml_node o = c.response.append_child(In(c, "OSDOptions").c_str());
    pugi::xml_node most = o.append_child("tt:MaximumNumberOfOSDs");
    most.append_attribute("Total") = 2;
    most.append_attribute("PlainText") = 1;
    most.append_attribute("DateAndTime") = 1;
    Add(o, "tt:Type", "Text");
    for (const std::string& p : OsdPositions()) {
        Add(o, "tt:PositionOption", p);
    }
    pugi::xml_node text = o.append_child("tt:TextOption");
    for (const char* t : {"Plain", "Date", "Time", "DateAndTime"}) {
        Add(text, "tt:Type", t);
    }
    for (const std::string& f : DateFormats()) {
        Add(text, "tt:DateFormat", f);
    }
    for (const std::string& f : TimeFormats()) {
        Add(text, "tt:TimeFormat", f);
    }
}

void SetOSD(OperationContext& c) {
    RequireOsd(c);
    pugi::xml_node v = Child(c.request, NamespaceOf(c.request), "OSD");
    const std::string token = v.attribute("token").value();
    Channel& ch = ChannelByToken(c.state, token);
    if (token != ch.dateOsd.token && token != ch.nameOsd.token) {
        throw SoapFault(FaultCode::kNoEntity, "no OSD \"" + token + "\"");
    }
    const bool dateOsd = token == ch.dateOsd.token;
    Osd o = dateOsd ? ch.dateOsd : ch.nameOsd;
    if (auto type = ChildText(v, kSchemaNs, "Type"); type && *type != "Text") {
        throw SoapFault(FaultCode::kInvalidArgVal, "OSD type " + *type + " is not offered (Text)");
    }
    if (auto position = ChildText(Child(v, kSchemaNs, "Position"), kSchemaNs, "Type")) {
        o.position = *position;
    }
    if (pugi::xml_node text = Child(v, kSchemaNs, "TextString")) {
        o.textType = ChildText(text, kSchemaNs, "Type").value_or(o.textType);
        o.dateFormat = ChildText(text, kSchemaNs, "DateFormat").value_or(o.dateFormat);
        o.timeFormat = ChildText(text, kSchemaNs, "TimeFormat").value_or(o.timeFormat);
        o.plainText = ChildText(text, kSchemaNs, "PlainText").value_or(o.plainText);
    }
    Refuse(CheckOsd(o, dateOsd));
    (dateOsd ? ch.dateOsd : ch.nameOsd) = o;
}

// ---- stream addresses (reported so that clients that ask for them at login are content)

void GetStreamUri(OperationContext& c) {
    const auto [ch, s] = ProfileByToken(c.state, Arg(c, "ProfileToken"));
    const std::string host = c.baseUrl.substr(c.baseUrl.find("//") + 2);
    const std::string uri = "rtsp://" + host.substr(0, host.rfind(':')) + ":554/ch" + N(*ch) +
                            (s == 0 ? "/main" : "/sub");
    if (IsVer20(c)) {
        Add(c.response, "tr2:Uri", uri);
        return;
    }
    pugi::xml_node m = c.response.append_child("trt:MediaUri");
    Add(m, "tt:Uri", uri);
    Add(m, "tt:InvalidAfterConnect", "false");
    Add(m, "tt:InvalidAfterReboot", "false");
    Add(m, "tt:Timeout", "PT0S");
}

void GetServiceCapabilities(OperationContext& c) {
    pugi::xml_node caps = c.response.append_child(In(c, "Capabilities").c_str());
    caps.append_attribute("OSD") = OsdOffered(c) ? "true" : "false";
    caps.append_attribute("SnapshotUri") = "false";
    pugi::xml_node profiles = caps.append_child(In(c, "ProfileCapabilities").c_str());
    profiles.append_attribute("MaximumNumberOfProfiles") =
        static_cast<int>(c.state.channels.size() * 2);
}

}  // namespace

std::vector<Operation> MediaOperations() {
    std::vector<Operation> ops;
    struct Entry {
        const char* name;
        bool needsAuth, isSet;
        void (*handler)(OperationContext&);
        bool ver10, ver20;
    };
    const Entry entries[] = {
        {"GetServiceCapabilities", false, false, GetServiceCapabilities, true, true},
        {"GetProfiles", true, false, GetProfiles, true, true},
        {"GetProfile", true, false, GetProfile, true, false},
        {"GetVideoSources", true, false, GetVideoSources, true, false},
        {"GetVideoSourceConfigurations", true, false, GetVideoSourceConfigurations, true, true},
        {"GetVideoEncoderConfigurations", true, false, GetVideoEncoderConfigurations, true, true},
        {"GetVideoEncoderConfiguration", true, false, GetVideoEncoderConfiguration, true, false},
        {"SetVideoEncoderConfiguration", true, true, SetVideoEncoderConfiguration, true, true},
        {"GetVideoEncoderConfigurationOptions", true, false, GetVideoEncoderConfigurationOptions,
         true, true},
        {"GetAudioEncoderConfigurations", true, false, GetAudioEncoderConfigurations, true, true},
        {"GetAudioEncoderConfiguration", true, false, GetAudioEncoderConfiguration, true, false},
        {"SetAudioEncoderConfiguration", true, true, SetAudioEncoderConfiguration, true, true},
        {"GetAudioEncoderConfigurationOptions", true, false, GetAudioEncoderConfigurationOptions,
         true, true},
        {"GetOSDs", true, false, GetOSDs, true, true},
        {"GetOSD", true, false, GetOSD, true, false},
        {"GetOSDOptions", true, false, GetOSDOptions, true, true},
        {"SetOSD", true, true, SetOSD, true, true},
        {"GetStreamUri", true, false, GetStreamUri, true, true},
    };
    for (const Entry& e : entries) {
        if (e.ver10) {
            ops.push_back({kMediaNs, e.name, "media", e.needsAuth, e.isSet, e.handler});
        }
        if (e.ver20) {
            ops.push_back({kMedia2Ns, e.name, "media2", e.needsAuth, e.isSet, e.handler});
        }
    }
    return ops;
}

}  // namespace orvex::lab::onvif
