// One entry of the beat timeline: an effect drawn, a sample triggered, a group replayed or a set
// of named values for graph nodes, each with its animation tracks.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "shaders/UniformDef.h"
#include "timeline/Track.h"

class AudioSample;
class Effect;
class EventGroup;
class Texture;

class Event : public ISerializable {
public:
    enum Type : int32_t { EffectEvent = 1, SampleEvent = 2, GroupEvent = 3, ValueEvent = 4 };

    int32_t type = EffectEvent;
    Effect* effect = nullptr;
    AudioSample* audioSample = nullptr;
    float start_beat = 0.0f;
    float end_beat = 0.0f;
    std::string name;
    TrackMap tracks;  // "control_points"
    std::vector<UniformDef> uniform_defs;
    EventGroup* group = nullptr;
    bool visible = true;

    // The stored reference of types 1, 2 and 3 until the Demo resolves it: an object key in
    // binary, a name in JSON.
    uint64_t refKey = 0;
    std::string refName;

    // Whether the event plays at beat x: from its start beat up to, not including, its end beat.
    bool activeAt(float x) const { return start_beat <= x && x < end_beat; }

    // The track of a name (a string or a DottedName), or null; looking never creates one.
    template <class Name>
    const Track* findTrack(const Name& trackName) const {
        auto it = tracks.find(trackName);
        return it == tracks.end() ? nullptr : &it->second;
    }

    // Track evaluation (TrackEvaluation.cpp): the value of a track at beat x of the event's span.
    float evaluate(const Track* track, float x) const;
    // The text of a track at beat x with placeholders and the typewriter, written into out (so
    // a caller that keeps out allocates nothing in steady state). frameBeat is the frame clock's
    // beat that <BEAT> and <IBEAT> show; charsPerBeat -1 or below means no typewriter.
    void evaluateText(const Track* track, float x, float frameBeat, int32_t charsPerBeat, std::string& out) const;
    void evaluateText(const std::string& trackName, float x, float frameBeat, int32_t charsPerBeat,
                      std::string& out) const;

    // For a group event, beat x on the replayed group's own timeline: x - start_beat + the
    // earliest start among its members; none without a group or members.
    std::optional<float> groupBeat(float x) const;

    // GPU side (EventGL.cpp). parent is the group event replaying this one, or null.
    void animate(float x, const Event* parent);
    void updateTexts(float x, const Event* parent);
    Effect* render(const Texture& soundTexture, float x, const Event* parent);

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
