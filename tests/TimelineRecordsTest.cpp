#include "content/AudioSample.h"
#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "scene/Scene.h"
#include "shaders/ShaderProgram.h"
#include "tests/RecordChecks.h"
#include "tests/TestSupport.h"
#include "timeline/Effect.h"
#include "timeline/Event.h"
#include "timeline/EventGroup.h"
#include "timeline/Font.h"

using namespace content;
using namespace testing_support;

namespace {

std::string nameOf(const ShaderProgram& p) { return p.fragmentFilename; }
template <class T>
std::string nameOf(const T& record) {
    return record.name;
}

}  // namespace

// One record of every kind that timeline records refer to, keyed in a fixed order the way a
// Demo writer keys them, and a stand-in for the Demo's resolution of keys and names.
class TimelineRecordsTest : public ::testing::Test {
protected:
    Effect fx, input;
    AudioSample snd;
    EventGroup grp;
    Event member;
    ShaderProgram prog;
    Scene room;
    Texture tex;
    FontTexture caption;

    void SetUp() override {
        fx.name = "fx";
        input.name = "input";
        snd.name = "snd";
        grp.name = "grp";
        member.name = "member";
        prog.fragmentFilename = "shaders/glow.frag";
        room.name = "room";
        tex.name = "tex";
        caption.name = "caption";
    }

    BinaryWriter writer() const {
        BinaryWriter out;
        for (const void* r : std::initializer_list<const void*>{&fx, &input, &snd, &grp, &member, &prog, &room, &tex, &caption})
            out.assignKey(r);
        return out;
    }
    uint64_t keyOf(const void* record) const { return writer().keyOf(record); }

    template <class T>
    std::vector<uint8_t> write(const T& record) const {
        BinaryWriter out = writer();
        record.writeBinary(out);
        return out.bytes();
    }

    template <class T>
    T* lookup(T& only, uint64_t key, const std::string& name) const {
        bool byKey = key != 0 && key == keyOf(&only);
        return byKey || (!name.empty() && name == nameOf(only)) ? &only : nullptr;
    }
    template <class T>
    std::vector<T*> lookupAll(T& only, const std::vector<uint64_t>& keys, const std::vector<std::string>& names) const {
        std::vector<T*> found;
        for (uint64_t k : keys) found.push_back(lookup(only, k, ""));
        for (const std::string& n : names) found.push_back(lookup(only, 0, n));
        return found;
    }

    void resolve(Event& e) {
        if (e.type == Event::EffectEvent) e.effect = lookup(fx, e.refKey, e.refName);
        if (e.type == Event::SampleEvent) e.audioSample = lookup(snd, e.refKey, e.refName);
        if (e.type == Event::GroupEvent) e.group = lookup(grp, e.refKey, e.refName);
    }
    void resolve(EventGroup& g) { g.events = lookupAll(member, g.eventKeys, g.eventNames); }
    void resolve(Effect& e) {
        e.textures = lookupAll(tex, e.stored.textures, e.stored.textureNames);
        e.effects = lookupAll(input, e.stored.effects, e.stored.effectNames);
        e.fontTextures = lookupAll(caption, e.stored.fontTextures, e.stored.fontTextureNames);
        e.program = lookup(prog, e.stored.program, e.stored.programName);
        e.scene = lookup(room, e.stored.scene, e.stored.sceneName);
    }
    void resolve(Font&) {}

    // `json` is in the form toJson writes. Checks JSON -> binary -> JSON and
    // binary -> JSON -> binary, resolving references after every read.
    template <class T>
    void expectRoundTrips(const Json& json, const JsonFiles& files = {}) {
        auto fromText = fromJson<T>(json, files);
        resolve(*fromText);
        EXPECT_EQ(fromText->toJson(files), json);

        std::vector<uint8_t> bytes = write(*fromText);
        auto fromBinary = fromBytes<T>(bytes);
        resolve(*fromBinary);
        Json again = fromBinary->toJson(files);
        EXPECT_EQ(again, json);

        auto reread = fromJson<T>(again, files);
        resolve(*reread);
        EXPECT_EQ(write(*reread), bytes);
    }

};

TEST_F(TimelineRecordsTest, EventBinaryFollowsTheType) {
    const void* targets[] = {&fx, &snd, &grp, nullptr};
    for (int32_t type = Event::EffectEvent; type <= Event::ValueEvent; ++type) {
        SCOPED_TRACE(type);
        Event e;
        e.type = type;
        e.effect = &fx;
        e.audioSample = &snd;
        e.group = &grp;
        e.start_beat = 4.0f;
        e.end_beat = 8.5f;
        e.tracks["alpha"].points = {{0.0f, 1.5f, ""}, {2.0f, 5.0f, "hi <IBEAT>"}};
        e.uniform_defs.emplace_back().name = "gain";
        std::vector<uint8_t> bytes = write(e);

        auto copy = fromBytes<Event>(bytes);
        EXPECT_EQ(copy->refKey, keyOf(targets[type - 1]));
        // A sample event stores no end: it lasts one beat.
        EXPECT_EQ(copy->end_beat, type == Event::SampleEvent ? 5.0f : 8.5f);
        EXPECT_EQ(copy->uniform_defs.size(), type == Event::ValueEvent ? 1u : 0u);
        // A point that shows a text keeps no value.
        EXPECT_EQ(copy->tracks["alpha"].points.at(1).value, 0.0f);
        expectTruncationRejected<Event>(bytes, "Event", {"UniformDef"});
    }
    Event unknown;
    unknown.type = 9;
    unknown.name = "not stored";
    EXPECT_EQ(write(unknown), (std::vector<uint8_t>{9, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TimelineRecordsTest, EventTrackNamedTwiceReplacesTheEarlierOne) {
    BinaryWriter out;
    out.u8(9);
    out.u64(2);
    for (uint64_t points : {2, 1}) {
        out.string("pos");
        out.i32(int32_t(points));  // mode
        out.boolean(points == 2);  // repeat
        out.u64(points);
        for (uint64_t i = 0; i < points; ++i) {
            out.f32(float(i));
            out.f32(7.0f);
            out.string("");
        }
    }
    auto e = fromBytes<Event>(out.bytes());
    ASSERT_EQ(e->tracks.size(), 1u);
    const Track& pos = e->tracks["pos"];
    EXPECT_EQ(pos.mode, 1);
    EXPECT_FALSE(pos.repeat);
    EXPECT_EQ(pos.points.size(), 1u);
}

TEST_F(TimelineRecordsTest, ForgedCountsAreRejectedBeforeAllocating) {
    BinaryWriter tracks;
    tracks.u8(9);
    tracks.u64(uint64_t(1) << 61);
    BinaryReader eventIn(tracks.bytes().data(), tracks.bytes().size());
    Event e;
    EXPECT_THROW(e.readBinary(eventIn), ContentError);

    BinaryWriter keys;
    keys.u64(uint64_t(1) << 60);
    BinaryReader effectIn(keys.bytes().data(), keys.bytes().size());
    Effect effect;
    EXPECT_THROW(effect.readBinary(effectIn), ContentError);
}

TEST_F(TimelineRecordsTest, EventJsonReadingRules) {
    auto e = fromJson<Event>(Json{{"name", "plain"}, {"start_beat", 4}, {"end_beat", 8.0}});
    EXPECT_EQ(e->type, Event::EffectEvent);  // absent type
    EXPECT_TRUE(e->visible);                 // absent flag
    EXPECT_EQ(e->start_beat, 0.0f);          // an integer where a float belongs reads as 0
    EXPECT_EQ(e->end_beat, 8.0f);

    e = fromJson<Event>(Json{{"type", 2}, {"beat", 3.0}, {"end_beat", 9.0}, {"audio_sample", "snd"}, {"effect", "fx"}});
    EXPECT_EQ(e->start_beat, 3.0f);
    EXPECT_EQ(e->end_beat, 4.0f);
    EXPECT_EQ(e->refName, "snd");

    const std::pair<Json, bool> flags[] = {{"true", true}, {"false", false}, {"True", false}, {"", false},
                                           {true, true},   {false, false},   {1, false}};
    for (const auto& [flag, visible] : flags)
        EXPECT_EQ(fromJson<Event>(Json{{"visible", flag}})->visible, visible) << flag;

    Json points = Json::array({{{"beat", 1.0}, {"value", 2.5}}, {{"beat", 2.0}, {"text", "x"}, {"value", 9.0}}});
    Json tracks = {{"t", {{"mode", 0}, {"repeat", true}, {"control_points", points}}}};
    e = fromJson<Event>(Json{{"control_points", tracks}});
    const Track& t = e->tracks["t"];
    EXPECT_EQ(t.mode, Track::Step);
    EXPECT_TRUE(t.repeat);
    ASSERT_EQ(t.points.size(), 2u);
    EXPECT_EQ(t.points[0].value, 2.5f);
    EXPECT_EQ(t.points[1].text, "x");
    EXPECT_EQ(t.points[1].value, 0.0f);
}

TEST_F(TimelineRecordsTest, EventJsonRoundTripsForEveryType) {
    Json tracks = {{"alpha", {{"mode", 2}, {"repeat", true},
                              {"control_points", {{{"beat", 0.0}, {"value", 1.5}}, {{"beat", 2.0}, {"text", "hi"}}}}}},
                   {"beta", {{"mode", 0}, {"repeat", false}, {"control_points", Json::array()}}}};
    Json uniform = {{"name", "gain"}, {"min_val", 0.0}, {"max_val", 2.0}, {"default_val", 0.5}, {"is_string", false}};
    const Json forms[] = {
        {{"type", 1}, {"name", "a"}, {"visible", "true"}, {"start_beat", 4.0}, {"end_beat", 8.5}, {"effect", "fx"}, {"control_points", tracks}},
        {{"type", 2}, {"name", "b"}, {"visible", "false"}, {"beat", 6.0}, {"audio_sample", "snd"}, {"control_points", Json::object()}},
        {{"type", 3}, {"name", "c"}, {"visible", "true"}, {"start_beat", 100.0}, {"end_beat", 132.0}, {"group", "grp"}, {"control_points", tracks}},
        {{"type", 4}, {"name", "d"}, {"visible", "false"}, {"start_beat", 1.0}, {"end_beat", 2.0}, {"uniform_defs", {uniform}}, {"control_points", tracks}},
        // An effect event whose effect did not resolve leaves the reference out.
        {{"type", 1}, {"name", "e"}, {"visible", "true"}, {"start_beat", 0.0}, {"end_beat", 1.0}, {"control_points", Json::object()}},
    };
    for (const Json& form : forms) {
        SCOPED_TRACE(form.dump());
        expectRoundTrips<Event>(form);
    }
}

TEST_F(TimelineRecordsTest, EventGroupRoundTrips) {
    expectRoundTrips<EventGroup>(Json{{"name", "verse"}, {"events", {"member", "member"}}});
    EventGroup g;
    g.events = {&member, nullptr};
    std::vector<uint8_t> bytes = write(g);
    EXPECT_EQ(fromBytes<EventGroup>(bytes)->eventKeys, (std::vector<uint64_t>{keyOf(&member), 0}));
    expectTruncationRejected<EventGroup>(bytes, "EventGroup");
}

TEST_F(TimelineRecordsTest, EffectRoundTripsWithItsReferences) {
    Json withScene = {{"name", "scene pass"},           {"feedback", false},
                      {"screen_texture", true},         {"textures", {"tex"}},
                      {"effects", {"input", "input"}},  {"font_textures", {"caption"}},
                      {"program", "shaders/glow.frag"}, {"scene", "room"}};
    expectRoundTrips<Effect>(withScene);
    Json flat = withScene;
    flat.erase("scene");
    flat["feedback"] = true;
    expectRoundTrips<Effect>(flat);

    auto e = fromJson<Effect>(withScene);
    resolve(*e);
    std::vector<uint8_t> bytes = write(*e);
    EXPECT_EQ(fromBytes<Effect>(bytes)->stored.effects, (std::vector<uint64_t>{keyOf(&input), keyOf(&input)}));
    expectTruncationRejected<Effect>(bytes, "Effect");

    e = fromJson<Effect>(Json{{"feedback", 1}});
    EXPECT_FALSE(e->feedback);  // not a boolean
    e->program = &prog;
    EXPECT_EQ(fromBytes<Effect>(write(*e))->stored.scene, 0u);
}

TEST_F(TimelineRecordsTest, FontRoundTripsEmbedded) {
    Font font;
    font.name = "Sans";
    font.filename = "fonts/sans.ttf";
    font.ptsize = 48;
    font.data = ByteBuffer(std::vector<uint8_t>{0, 1, 0, 0, 't', 't', 'f'});
    expectRoundTrips<Font>(font.toJson({}));
    expectTruncationRejected<Font>(write(font), "Font");
    EXPECT_EQ(fromJson<Font>(Json{{"ptsize", 12.0}, {"font_buffer", ""}})->ptsize, 0);
}

TEST_F(TimelineRecordsTest, FontFileFollowsItsFilename) {
    ScratchDir dir("font-files");
    Font font;
    font.name = "Sans";
    font.filename = "fonts/sans.ttf";
    font.ptsize = 20;
    font.data = ByteBuffer(std::vector<uint8_t>{1, 2, 3});

    JsonFiles files = filesIn(dir.path(), true);
    Json json = font.toJson(files);
    EXPECT_EQ(json, (Json{{"name", "Sans"}, {"filename", "fonts/sans.ttf"}, {"ptsize", 20}}));
    EXPECT_EQ(readFile(dir.path() / "fonts/sans.ttf"), (std::vector<uint8_t>{1, 2, 3}));
    auto loaded = fromJson<Font>(json, files);
    EXPECT_EQ(std::vector<uint8_t>(loaded->data.begin(), loaded->data.end()), (std::vector<uint8_t>{1, 2, 3}));

    // A filename outside the folder, or one already holding other bytes, keeps the font embedded.
    font.filename = "../sans.ttf";
    EXPECT_TRUE(font.toJson(files).contains("font_buffer"));
    EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / "sans.ttf"));
    font.filename = "fonts/sans.ttf";
    font.data = ByteBuffer(std::vector<uint8_t>{9});
    EXPECT_EQ(font.toJson(files)["font_buffer"], "CQ==");

    EXPECT_THROW(fromJson<Font>(Json{{"filename", "fonts/none.ttf"}}, files), ContentError);
}
