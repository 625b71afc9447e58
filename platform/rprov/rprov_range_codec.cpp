#include "platform/rprov/rprov_range_codec.h"

#include "platform/rprov/rprov_wire.h"

namespace orvex::rprov {
namespace {

// The writer side: `ok` turns false at the first text or list over its bound.
struct RangeWriter {
    ByteWriter w;
    bool ok = true;

    void text(const std::string& t) { ok = w.text(t, kMaxRangeText) && ok; }
    bool count(size_t n, size_t limit) {
        if (n > limit) {
            ok = false;
            return false;
        }
        w.u16(static_cast<uint16_t>(n));
        return true;
    }
    void triple(const RangeTriple& t) {
        w.i32(t.min);
        w.i32(t.max);
        w.i32(t.defaultValue);
    }
    void ints(const IntChoiceList& list) {
        if (count(list.values.size(), kMaxRangeList)) {
            for (int32_t v : list.values) {
                w.i32(v);
            }
        }
        w.i32(list.defaultValue);
    }
    void texts(const TextChoiceList& list) {
        if (count(list.values.size(), kMaxRangeList)) {
            for (const std::string& v : list.values) {
                text(v);
            }
        }
        w.i32(list.defaultValue);
    }
    void resolutions(const std::vector<ResolutionEntry>& list) {
        if (!count(list.size(), kMaxRangeList)) {
            return;
        }
        for (const ResolutionEntry& e : list) {
            text(e.name);
            text(e.value);
            w.i32(e.index);
            w.i32(e.bitrateMin);
            w.i32(e.bitrateMax);
            w.i32(e.bitrateDefault);
            if (count(e.frameRates.size(), kMaxRangeList)) {
                for (int32_t v : e.frameRates) {
                    w.i32(v);
                }
            }
        }
    }
};

// The reader side; a failed ByteReader makes every later read a no-op.
struct RangeReader {
    ByteReader r;

    size_t count(size_t limit) {
        const uint16_t n = r.u16();
        if (n > limit) {
            r.fail();
            return 0;
        }
        return n;
    }
    RangeTriple triple() {
        RangeTriple t;
        t.min = r.i32();
        t.max = r.i32();
        t.defaultValue = r.i32();
        return t;
    }
    IntChoiceList ints() {
        IntChoiceList list;
        const size_t n = count(kMaxRangeList);
        for (size_t i = 0; i < n && !r.failed(); ++i) {
            list.values.push_back(r.i32());
        }
        list.defaultValue = r.i32();
        return list;
    }
    TextChoiceList texts() {
        TextChoiceList list;
        const size_t n = count(kMaxRangeList);
        for (size_t i = 0; i < n && !r.failed(); ++i) {
            list.values.push_back(r.text(kMaxRangeText));
        }
        list.defaultValue = r.i32();
        return list;
    }
    std::vector<ResolutionEntry> resolutions() {
        std::vector<ResolutionEntry> list;
        const size_t n = count(kMaxRangeList);
        for (size_t i = 0; i < n && !r.failed(); ++i) {
            ResolutionEntry e;
            e.name = r.text(kMaxRangeText);
            e.value = r.text(kMaxRangeText);
            e.index = r.i32();
            e.bitrateMin = r.i32();
            e.bitrateMax = r.i32();
            e.bitrateDefault = r.i32();
            const size_t rates = count(kMaxRangeList);
            for (size_t k = 0; k < rates && !r.failed(); ++k) {
                e.frameRates.push_back(r.i32());
            }
            list.push_back(std::move(e));
        }
        return list;
    }
};

}  // namespace

std::optional<std::vector<uint8_t>> EncodeConfigRange(const ConfigRange& range) {
    RangeWriter out;
    out.text(range.serial);
    out.w.i32(range.channelNo);
    out.triple(range.brightness);
    out.triple(range.contrast);
    out.triple(range.saturation);
    out.triple(range.sharpness);
    out.w.i32(range.reserved);
    out.ints(range.mainAudioEncTypes);
    out.ints(range.subAudioEncTypes);
    out.ints(range.audioInTypes);
    out.triple(range.audioInVolume);
    out.triple(range.audioOutVolume);
    out.w.u8(range.supportShowWeek ? 1 : 0);
    out.texts(range.osdTypes);
    out.texts(range.osdAttribs);
    out.texts(range.osdHourTypes);
    out.ints(range.streamTypes);
    out.ints(range.videoTypes);
    if (out.count(range.iFrameRanges.size(), kMaxRangeList)) {
        for (const RangeTriple& t : range.iFrameRanges) {
            out.triple(t);
        }
    }
    if (out.count(range.streamVideoTypes.size(), kMaxStreamVideoTypeLists)) {
        for (const IntChoiceList& list : range.streamVideoTypes) {
            out.ints(list);
        }
    }
    out.resolutions(range.mainResolutions);
    out.resolutions(range.subResolutions);
    out.ints(range.reservedChoicesA);
    out.ints(range.reservedChoicesB);
    if (!out.ok) {
        return std::nullopt;
    }
    return out.w.take();
}

std::optional<ConfigRange> DecodeConfigRange(std::span<const uint8_t> bytes) {
    RangeReader in{ByteReader(bytes)};
    ConfigRange range;
    range.serial = in.r.text(kMaxRangeText);
    range.channelNo = in.r.i32();
    range.brightness = in.triple();
    range.contrast = in.triple();
    range.saturation = in.triple();
    range.sharpness = in.triple();
    range.reserved = in.r.i32();
    range.mainAudioEncTypes = in.ints();
    range.subAudioEncTypes = in.ints();
    range.audioInTypes = in.ints();
    range.audioInVolume = in.triple();
    range.audioOutVolume = in.triple();
    const uint8_t week = in.r.u8();
    range.supportShowWeek = week != 0;
    range.osdTypes = in.texts();
    range.osdAttribs = in.texts();
    range.osdHourTypes = in.texts();
    range.streamTypes = in.ints();
    range.videoTypes = in.ints();
    const size_t frames = in.count(kMaxRangeList);
    for (size_t i = 0; i < frames && !in.r.failed(); ++i) {
        range.iFrameRanges.push_back(in.triple());
    }
    const size_t lists = in.count(kMaxStreamVideoTypeLists);
    for (size_t i = 0; i < lists && !in.r.failed(); ++i) {
        range.streamVideoTypes.push_back(in.ints());
    }
    range.mainResolutions = in.resolutions();
    range.subResolutions = in.resolutions();
    range.reservedChoicesA = in.ints();
    range.reservedChoicesB = in.ints();
    if (!in.r.done() || week > 1) {
        return std::nullopt;
    }
    return range;
}

}  // namespace orvex::rprov
