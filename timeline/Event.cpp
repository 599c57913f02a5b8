#include "timeline/Event.h"

#include "content/AudioSample.h"
#include "content/RecordLinks.h"
#include "timeline/Effect.h"
#include "timeline/EventGroup.h"

using namespace content;

namespace {

// Smallest stored sizes, for checking counts: a string is its length and at least one byte.
constexpr uint64_t kStringSize = 9;
constexpr uint64_t kPointSize = 4 + 4 + kStringSize;
constexpr uint64_t kTrackSize = kStringSize + 4 + 1 + 8;
constexpr uint64_t kUniformDefSize = kStringSize + 4 + 4 + 4 + 1;

// A point that shows a text has no value of its own, in either form.
ControlPoint makePoint(float beat, float value, std::string text) {
    return {beat, text.empty() ? value : 0.0f, std::move(text)};
}

void writeTrack(BinaryWriter& out, const Track& track) {
    out.i32(track.mode);
    out.boolean(track.repeat);
    out.u64(track.points.size());
    for (const ControlPoint& p : track.points) {
        out.f32(p.beat);
        out.f32(p.value);
        out.string(p.text);
    }
}

Track readTrack(BinaryReader& in) {
    Track track;
    track.mode = in.i32();
    track.repeat = in.boolean();
    uint64_t n = in.count(kPointSize);
    for (uint64_t i = 0; i < n; ++i) {
        float beat = in.f32();
        float value = in.f32();
        track.points.push_back(makePoint(beat, value, in.string()));
    }
    return track;
}

Json trackToJson(const Track& track) {
    Json points = Json::array();
    for (const ControlPoint& p : track.points) {
        Json point;
        point["beat"] = p.beat;
        if (p.text.empty()) point["value"] = p.value;
        else point["text"] = p.text;
        points.push_back(point);
    }
    return {{"mode", track.mode}, {"repeat", track.repeat}, {"control_points", points}};
}

Track trackFromJson(const Json& json) {
    Track track;
    track.mode = int32_t(jsonInt(json, "mode"));
    track.repeat = jsonBool(json, "repeat");
    for (const Json& p : jsonArray(json, "control_points"))
        track.points.push_back(makePoint(jsonFloat(p, "beat"), jsonFloat(p, "value"), jsonString(p, "text")));
    return track;
}

bool storesBody(int32_t type) { return type >= Event::EffectEvent && type <= Event::ValueEvent; }

// The record that types 1 to 3 refer to, and its JSON key.
const char* referenceKey(int32_t type) {
    switch (type) {
        case Event::EffectEvent: return "effect";
        case Event::SampleEvent: return "audio_sample";
        case Event::GroupEvent: return "group";
        default: return nullptr;
    }
}

struct Reference {
    const void* record = nullptr;
    std::string name;
};

Reference referenceOf(const Event& e) {
    switch (e.type) {
        case Event::EffectEvent: return {e.effect, nameOf(e.effect)};
        case Event::SampleEvent: return {e.audioSample, nameOf(e.audioSample)};
        case Event::GroupEvent: return {e.group, nameOf(e.group)};
        default: return {};
    }
}

// Project files spell the flag as a string; a boolean is accepted as well.
bool visibleFromJson(const Json& json) {
    if (!jsonHas(json, "visible")) return true;
    const Json& v = json["visible"];
    return v.is_boolean() ? v.get<bool>() : jsonString(json, "visible") == "true";
}

}  // namespace

content::Json Event::toJson(const JsonFiles& files) const {
    Json j;
    j["type"] = type;
    j["name"] = name;
    j["visible"] = visible ? "true" : "false";
    if (type == SampleEvent) {
        j["beat"] = start_beat;
    } else if (storesBody(type)) {
        j["start_beat"] = start_beat;
        j["end_beat"] = end_beat;
    }
    if (type == ValueEvent) {
        Json defs = Json::array();
        for (const UniformDef& d : uniform_defs) defs.push_back(d.toJson(files));
        j["uniform_defs"] = defs;
    }
    if (Reference ref = referenceOf(*this); ref.record) j[referenceKey(type)] = ref.name;
    Json trackObject = Json::object();
    for (const auto& [trackName, track] : tracks) trackObject[trackName] = trackToJson(track);
    j["control_points"] = trackObject;
    return j;
}

void Event::fromJson(const Json& json, const JsonFiles& files) {
    type = jsonHas(json, "type") ? int32_t(jsonInt(json, "type")) : EffectEvent;
    name = jsonString(json, "name");
    visible = visibleFromJson(json);
    if (type == SampleEvent) {
        start_beat = jsonFloat(json, "beat");
        end_beat = start_beat + 1.0f;
    } else if (storesBody(type)) {
        start_beat = jsonFloat(json, "start_beat");
        end_beat = jsonFloat(json, "end_beat");
    }
    if (type == ValueEvent) {
        for (const Json& d : jsonArray(json, "uniform_defs")) uniform_defs.emplace_back().fromJson(d, files);
    }
    if (const char* key = referenceKey(type)) refName = jsonString(json, key);
    if (jsonHas(json, "control_points") && json["control_points"].is_object()) {
        for (const auto& [trackName, track] : json["control_points"].items()) tracks[trackName] = trackFromJson(track);
    }
}

// The type is stored in one byte, so the layout follows that byte rather than the full field.
void Event::writeBinary(BinaryWriter& out) const {
    int32_t stored = uint8_t(type);
    out.u8(uint8_t(stored));
    out.u64(tracks.size());
    for (const auto& [trackName, track] : tracks) {
        out.string(trackName);
        writeTrack(out, track);
    }
    if (!storesBody(stored)) return;
    out.boolean(visible);
    if (stored != ValueEvent) out.reference(referenceOf(*this).record);
    out.f32(start_beat);
    if (stored != SampleEvent) out.f32(end_beat);
    if (stored == ValueEvent) {
        out.u64(uniform_defs.size());
        for (const UniformDef& d : uniform_defs) d.writeBinary(out);
    }
    out.string(name);
}

void Event::readBinary(BinaryReader& in) {
    RecordScope scope(in, "Event");
    type = in.u8();
    uint64_t trackCount = in.count(kTrackSize);
    for (uint64_t i = 0; i < trackCount; ++i) {
        std::string trackName = in.string();
        tracks[trackName] = readTrack(in);
    }
    if (!storesBody(type)) return;
    visible = in.boolean();
    if (type != ValueEvent) refKey = in.u64();
    start_beat = in.f32();
    end_beat = type == SampleEvent ? start_beat + 1.0f : in.f32();
    if (type == ValueEvent) {
        uint64_t n = in.count(kUniformDefSize);
        for (uint64_t i = 0; i < n; ++i) uniform_defs.emplace_back().readBinary(in);
    }
    name = in.string();
}
