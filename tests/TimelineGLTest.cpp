// The timeline pass and the GPU side of events: drawing order and spans, animated uniforms,
// group replays, text tracks and missing references.
#include <GL/glew.h>

#include "show/Demo.h"
#include "frame/Runtime.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;

namespace {

constexpr int kLeft = kSize / 4, kRight = 3 * kSize / 4, kMiddle = kSize / 2;

// The uniform "level" drives the red channel; its default is 0.25.
constexpr const char* kLevelShader =
    "#version 150\nuniform float level;\nout vec4 colour;\nvoid main() { colour = vec4(level, 0.0, 0.0, 1.0); }\n";

class TimelineGLTest : public GLTest {
protected:
    // Draws the given colour; with leftHalf only over the left half of the screen.
    ShaderProgram* solidProgram(const std::string& colour, bool leftHalf = false) {
        std::string discard = leftHalf ? "if (gl_FragCoord.x > " + std::to_string(kMiddle) + ".0) discard; " : "";
        return keep(makeProgram("#version 150\nout vec4 colour;\nvoid main() { " + discard + "colour = " + colour +
                                "; }\n"));
    }
    ShaderProgram* levelProgram() {
        ShaderProgram* program = keep(makeProgram(kLevelShader));
        program->uniformDefs.push_back(UniformDef{});
        program->uniformDefs.back().name = "level";
        program->uniformDefs.back().default_val = 0.25f;
        program->uniformDefs.push_back(UniformDef{});
        program->uniformDefs.back().name = "unused";  // not in the shader: location -1
        program->lookupLocations();
        return program;
    }
    ShaderProgram* keep(std::unique_ptr<ShaderProgram> program) {
        demo.shaders.push_back(std::move(program));
        return demo.shaders.back().get();
    }
    Effect* addEffect(ShaderProgram* program) {
        demo.effects.push_back(std::make_unique<Effect>("effect", program, nullptr, nullptr, false, false, nullptr));
        return demo.effects.back().get();
    }
    Event* addEvent(int32_t type, float start, float end) {
        demo.events.push_back(std::make_unique<Event>());
        Event* event = demo.events.back().get();
        event->type = type;
        event->start_beat = start;
        event->end_beat = end;
        return event;
    }
    Event* addEffectEvent(Effect* effect, float start, float end) {
        Event* event = addEvent(Event::EffectEvent, start, end);
        event->effect = effect;
        return event;
    }
    // A group event over members that stay in the show's list, where they would draw on their own
    // only inside their own spans.
    Event* addGroupEvent(float start, float end, std::vector<Event*> members) {
        demo.eventGroups.push_back(std::make_unique<EventGroup>());
        demo.eventGroups.back()->events = std::move(members);
        Event* event = addEvent(Event::GroupEvent, start, end);
        event->group = demo.eventGroups.back().get();
        return event;
    }
    FontTexture* addFontTexture(Effect* effect, const std::string& name) {
        demo.fontTextures.push_back(std::make_unique<FontTexture>());
        FontTexture* texture = demo.fontTextures.back().get();
        texture->name = name;
        texture->width = texture->height = 8;
        texture->prepare();
        effect->fontTextures.push_back(texture);
        return texture;
    }
    Effect* frameAt(float beat) {
        glClear(GL_COLOR_BUFFER_BIT);
        currentBeat = beat;
        return demo.renderTimeline(beat);
    }

    Demo demo;
};

Track steps(std::vector<std::pair<float, float>> points) {
    Track track;
    track.mode = Track::Step;
    for (auto [beat, value] : points) track.points.push_back({beat, value, {}});
    return track;
}

Track texts(std::vector<std::pair<float, std::string>> points) {
    Track track;
    for (auto& [beat, text] : points) track.points.push_back({beat, 0.0f, text});
    return track;
}

const Pixel kBlack{0, 0, 0, 255}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

TEST_F(TimelineGLTest, ActiveVisibleEventsDrawInListOrderUntilTheirEndBeat) {
    Effect* red = addEffect(solidProgram("vec4(1.0, 0.0, 0.0, 1.0)"));
    Effect* green = addEffect(solidProgram("vec4(0.0, 1.0, 0.0, 1.0)", true));
    addEffectEvent(red, 4, 8);
    addEffectEvent(green, 6, 10);
    addEffectEvent(red, 6, 10)->visible = false;

    EXPECT_EQ(frameAt(3.99f), nullptr);
    expectPixelNear(readPixel(kRight, kMiddle), kBlack);
    EXPECT_EQ(frameAt(4.0f), red);
    expectPixelNear(readPixel(kLeft, kMiddle), kRed);
    EXPECT_EQ(frameAt(7.0f), green);
    expectPixelNear(readPixel(kLeft, kMiddle), kGreen);
    expectPixelNear(readPixel(kRight, kMiddle), kRed);
    EXPECT_EQ(frameAt(8.0f), green);
    expectPixelNear(readPixel(kLeft, kMiddle), kGreen);
    expectPixelNear(readPixel(kRight, kMiddle), kBlack);
    EXPECT_EQ(frameAt(10.0f), nullptr);
    expectPixelNear(readPixel(kLeft, kMiddle), kBlack);
}

TEST_F(TimelineGLTest, AnimateUploadsTheTrackValueInsideTheSpanAndTheDefaultElsewhere) {
    Effect* effect = addEffect(levelProgram());
    Event* event = addEffectEvent(effect, 4, 8);
    event->tracks["level"] = steps({{0, 0.5f}});
    Texture noSound;

    EXPECT_EQ(event->render(noSound, 6.0f, nullptr), effect);
    expectPixelNear(readPixel(kMiddle, kMiddle), {128, 0, 0, 255});
    event->render(noSound, 8.5f, nullptr);
    expectPixelNear(readPixel(kMiddle, kMiddle), {64, 0, 0, 255});
    event->tracks["level"].points.clear();
    event->render(noSound, 6.0f, nullptr);
    expectPixelNear(readPixel(kMiddle, kMiddle), {64, 0, 0, 255});
}

TEST_F(TimelineGLTest, SoundTextureIsBoundOnUnitSixteenForTheDrawOnly) {
    auto sound = solidTexture({255, 255, 255, 255});
    Effect* effect = addEffect(keep(makeProgram("#version 150\nuniform sampler2D sound_texture;\nout vec4 colour;\n"
                                                "void main() { colour = texture(sound_texture, vec2(0.5)); }\n")));
    Event* event = addEffectEvent(effect, 0, 1);

    event->render(*sound, 0.5f, nullptr);
    expectPixelNear(readPixel(kMiddle, kMiddle), {255, 255, 255, 255});
    GLint bound = -1;
    glActiveTexture(GL_TEXTURE16);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(TimelineGLTest, GroupReplaysMembersAtItsLocalBeatWhateverTheirVisibility) {
    Event* first = addEffectEvent(addEffect(levelProgram()), 16, 24);
    first->name = "first";
    first->tracks["level"] = steps({{0, 0.0f}, {1, 0.5f}, {2, 1.0f}});
    first->visible = false;
    Event* second = addEffectEvent(addEffect(solidProgram("vec4(0.0, 1.0, 0.0, 1.0)", true)), 20, 28);
    Event* group = addGroupEvent(100, 120, {second, nullptr, first});

    // Local beat 17: the first member is one beat into its track, the second not started.
    EXPECT_EQ(frameAt(101.0f), first->effect);
    expectPixelNear(readPixel(kLeft, kMiddle), {128, 0, 0, 255});
    // Local beat 21: both draw, in group order.
    EXPECT_EQ(frameAt(105.0f), first->effect);
    expectPixelNear(readPixel(kLeft, kMiddle), {255, 0, 0, 255});

    // The group's own track for a member replaces the member's track, on the group's timeline.
    group->tracks["first.level"] = steps({{0, 0.75f}, {3, 1.0f}});
    frameAt(101.0f);
    expectPixelNear(readPixel(kLeft, kMiddle), {191, 0, 0, 255});
    group->tracks["first.level"].points.clear();
    frameAt(101.0f);
    expectPixelNear(readPixel(kLeft, kMiddle), {64, 0, 0, 255});
}

TEST_F(TimelineGLTest, TextTracksReachFontTexturesAndGroupMembersAreClearedOnLeaving) {
    Effect* effect = addEffect(solidProgram("vec4(0.0)"));
    FontTexture* title = addFontTexture(effect, "title");
    Event* event = addEffectEvent(effect, 4, 8);
    event->visible = false;  // hidden events still prepare their texts
    event->tracks["title"] = texts({{0, "at <IBEAT>"}, {2, "later"}});

    frameAt(5.5f);
    EXPECT_EQ(title->text, "at 5");
    frameAt(9.0f);
    EXPECT_EQ(title->text, "at 5") << "a top-level event keeps its last text";

    Effect* memberEffect = addEffect(solidProgram("vec4(0.0)"));
    FontTexture* caption = addFontTexture(memberEffect, "caption");
    Event* member = addEffectEvent(memberEffect, 16, 18);
    member->name = "member";
    member->tracks["caption"] = texts({{0, "own <ICP>"}});
    Event* group = addGroupEvent(100, 120, {member});

    frameAt(101.5f);
    EXPECT_EQ(caption->text, "own 0");
    group->tracks["member.caption"] = texts({{1, "group <ICP> <IBEAT>"}});
    frameAt(101.5f);
    EXPECT_EQ(caption->text, "group 1 101");
    frameAt(103.0f);
    EXPECT_EQ(caption->text, "") << "the member left its span while the group plays on";
}

TEST_F(TimelineGLTest, InputsOfActiveEffectsDrawWithTheirDefaultsAndAreCaptured) {
    Effect* input = addEffect(levelProgram());
    Effect* effect = addEffect(solidProgram("vec4(0.0, 1.0, 0.0, 1.0)"));
    effect->effects.push_back(input);
    addEffectEvent(effect, 0, 4);

    frameAt(1.0f);
    expectPixelNear(readPixel(kMiddle, kMiddle), kGreen);
    std::vector<uint8_t> captured = readTexture(input->captureTexture, kSize, kSize);
    size_t centre = (size_t(kMiddle) * kSize + kMiddle) * 4;
    EXPECT_NEAR(captured[centre], 64, 2);
}

TEST_F(TimelineGLTest, MissingReferencesAreSkipped) {
    Effect* red = addEffect(solidProgram("vec4(1.0, 0.0, 0.0, 1.0)"));
    red->effects.push_back(nullptr);
    red->fontTextures.push_back(nullptr);
    Effect* noProgram = addEffect(nullptr);
    noProgram->effects.push_back(red);
    addEffectEvent(nullptr, 0, 4);
    addEffectEvent(noProgram, 0, 4);
    addEvent(Event::SampleEvent, 0, 4);
    addEvent(Event::GroupEvent, 0, 4);
    addGroupEvent(0, 4, {nullptr});
    addEvent(7, 0, 4);
    Event* drawn = addEffectEvent(red, 0, 4);
    addGroupEvent(0, 4, {nullptr, drawn});
    // A group that replays itself is cut off rather than recursing without end.
    Event* loop = addGroupEvent(0, 4, {});
    loop->group->events = {loop, drawn};

    EXPECT_EQ(frameAt(1.0f), red);
    expectPixelNear(readPixel(kMiddle, kMiddle), kRed);
}

}  // namespace
