#include <GL/glew.h>

#include "audio/Audio.h"
#include "show/Demo.h"

namespace {

// Each input is drawn to the screen and copied from there, which is what lets an input with
// feedback see its own output of the previous frame.
void prepareInputs(Effect& effect) {
    for (Effect* input : effect.effects) {
        if (!input || !input->program || !input->program->linked) continue;
        glUseProgram(input->program->program);
        input->program->applyUniformDefaults();
        input->render({}, true);
        input->captureScreen();
    }
}

// Runs for hidden events too: their texts and inputs stay current for whoever samples them.
void prepare(Event& event, float x) {
    if (event.type == Event::EffectEvent) {
        event.updateTexts(x, nullptr);
        if (event.effect) prepareInputs(*event.effect);
    } else if (event.type == Event::GroupEvent) {
        std::optional<float> local = event.groupBeat(x);
        if (!local) return;
        for (Event* member : event.group->events) {
            if (member && member->type == Event::EffectEvent) member->updateTexts(*local, &event);
        }
    }
}

}  // namespace

Effect* Demo::renderTimeline(float beat) {
    static const Texture noSound;  // a show without a sound texture samples texture 0
    const Texture& sound = soundTexture ? *soundTexture : noSound;
    if (soundTexture) audio::uploadSoundTexture(*soundTexture);
    for (auto& event : events) {
        if (event->activeAt(beat)) prepare(*event, beat);
    }
    Effect* last = nullptr;
    for (auto& event : events) {
        if (!event->visible || !event->activeAt(beat)) continue;
        if (Effect* drawn = event->render(sound, beat, nullptr)) last = drawn;
    }
    return last;
}
