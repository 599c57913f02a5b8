#include <GL/glew.h>

#include "audio/Audio.h"
#include "content/AudioSample.h"
#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "frame/Runtime.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"
#include "timeline/Event.h"
#include "timeline/EventGroup.h"
#include "timeline/SceneSteering.h"

namespace {

bool inSpan(const Event& event, float x) { return x >= event.start_beat && x <= event.end_beat; }

// A group event animates its members through its own tracks named "member.field", read on the
// group's timeline; such a track replaces the member's own one.
struct TrackSource {
    const Event* owner;
    const Track* track;
    float beat;
};

TrackSource trackFor(const Event& event, std::string_view field, float x, const Event* parent) {
    if (parent) {
        if (const Track* track = parent->findTrack(DottedName{event.name, field}))
            return {parent, track, x - event.start_beat + parent->start_beat};
    }
    return {&event, event.findTrack(field), x};
}

float uniformValue(const Event& event, const UniformDef& def, float x, const Event* parent) {
    if (!inSpan(event, x)) return def.default_val;
    TrackSource source = trackFor(event, def.name, x, parent);
    if (!source.track || source.track->points.empty()) return def.default_val;
    return source.owner->evaluate(source.track, source.beat);
}

Effect* drawEffect(Event& event, const Texture& soundTexture, float x, const Event* parent) {
    Effect* effect = event.effect;
    if (!effect || !effect->program) return nullptr;
    const bool bindSound = effect->program->locations.soundTexture != -1;
    if (bindSound) {
        glActiveTexture(GL_TEXTURE16);
        glBindTexture(GL_TEXTURE_2D, soundTexture.glName);
    }
    auto animate = [&] { event.animate(x, parent); };
    effect->render(animate, true);
    if (bindSound) {
        glActiveTexture(GL_TEXTURE16);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return effect;
}

// Groups may replay group events; a group that (indirectly) contains itself is cut off at this
// depth instead of recursing until the stack runs out.
constexpr int kMaxReplayDepth = 16;
int replayDepth = 0;

Effect* replayGroup(Event& event, const Texture& soundTexture, float x) {
    std::optional<float> local = event.groupBeat(x);
    if (!local || replayDepth >= kMaxReplayDepth) return nullptr;
    ++replayDepth;
    Effect* last = nullptr;
    for (Event* member : event.group->events) {
        if (!member || *local < member->start_beat || *local >= member->end_beat) continue;
        if (Effect* drawn = member->render(soundTexture, *local, &event)) last = drawn;
    }
    --replayDepth;
    return last;
}

}  // namespace

void Event::animate(float x, const Event* parent) {
    if (type != EffectEvent || !effect || !effect->program) return;
    for (const UniformDef& def : effect->program->uniformDefs) {
        if (def.location != -1 && def.takesFloat) glUniform1f(def.location, uniformValue(*this, def, x, parent));
    }
    if (effect->scene) steerScene(*this, *effect->scene, x);
}

// A top-level event's texts stay as they were when it ends: the timeline only prepares active
// events, so clearing reaches the members of a group whose own beat has left their span.
void Event::updateTexts(float x, const Event* parent) {
    if (type != EffectEvent || !effect) return;
    static std::string text;  // kept between frames so that steady frames allocate nothing
    for (FontTexture* fontTexture : effect->fontTextures) {
        if (!fontTexture) continue;
        if (!inSpan(*this, x)) {
            if (!fontTexture->text.empty()) fontTexture->clearText();
            continue;
        }
        TrackSource source = trackFor(*this, fontTexture->name, x, parent);
        source.owner->evaluateText(source.track, source.beat, currentBeat, fontTexture->charsPerBeat, text);
        fontTexture->setText(text);
    }
}

Effect* Event::render(const Texture& soundTexture, float x, const Event* parent) {
    switch (type) {
        case EffectEvent: return drawEffect(*this, soundTexture, x, parent);
        case SampleEvent:
            if (audioSample) audio::playSample(*audioSample);
            return nullptr;
        case GroupEvent: return replayGroup(*this, soundTexture, x);
        default: return nullptr;
    }
}
