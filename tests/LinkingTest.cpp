#include "graph/Linking.h"

#include <gtest/gtest.h>

#include "scene/Scene.h"
#include "scripting/Script.h"
#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Event.h"

using namespace Nodes;
using values::MaybeValue;
using values::Value;

namespace {

void runEvent(ValueList&, ValueList&, ValueList&, ExecutionContext&) {}
void runShader(ValueList&, ValueList&, ValueList&, ExecutionContext&) {}

template <class T>
using List = std::vector<std::unique_ptr<T>>;

UniformDef uniform(const char* name, bool isString = false) {
    UniformDef u;
    u.name = name;
    u.is_string = isString;
    u.min_val = -1, u.max_val = 4, u.default_val = 0.5f;
    return u;
}

std::unique_ptr<Event> event(const char* name, int32_t type, std::vector<UniformDef> uniforms = {}) {
    auto e = std::make_unique<Event>();
    e->name = name;
    e->type = type;
    e->uniform_defs = std::move(uniforms);
    return e;
}

std::unique_ptr<ShaderProgram> program(const char* fragment, std::vector<UniformDef> uniforms = {}) {
    auto p = std::make_unique<ShaderProgram>();
    p->fragmentFilename = fragment;
    p->uniformDefs = std::move(uniforms);
    return p;
}

template <class... Items>
auto listOf(Items... items) {
    using T = typename std::common_type_t<Items...>::element_type;
    List<T> list;
    (list.push_back(std::move(items)), ...);
    return list;
}

}  // namespace

TEST(LinkingTest, ValueEventsBecomeTypesWithOneOutputPerUniform) {
    NodeCatalogue c;
    c.generated.event = runEvent;
    linkEvents(listOf(event("intro", Event::ValueEvent, {uniform("fade"), uniform("title", true)}),
                      event("flash", Event::EffectEvent)),
               c);
    ASSERT_EQ(c.size(), 30u);
    const NodeType& t = c[29];
    EXPECT_EQ(t.name, "intro.event");
    EXPECT_EQ(t.label, "Intro (event)");
    EXPECT_EQ(t.inputs, std::vector<InputDef>{inputPin(values::Float, "time")});
    EXPECT_EQ(t.outputs, (std::vector<OutputDef>{{values::Float, "fade"}, {values::String, "title"}}));
    EXPECT_EQ(t.state, ValueList(1));
    EXPECT_EQ(t.execute, runEvent);
    EXPECT_EQ(c.find("flash.event"), nullptr);
}

TEST(LinkingTest, StaleMarksFollowTheEventNamesOfAnyKind) {
    NodeCatalogue c;
    NodeType& intro = c.append(NodeType("intro.event", nullptr, {}, {}, {{values::Float, "old"}}));
    NodeType& old = c.append(NodeType("old.event", nullptr, {}, {}, {}));
    intro.stale = true;  // left over from an earlier load that lacked the event
    linkEvents(listOf(event("intro", Event::SampleEvent)), c);
    EXPECT_FALSE(intro.stale);
    EXPECT_EQ(intro.outputs.size(), 1u);  // no value event, so nothing updates it
    EXPECT_TRUE(old.stale);
    EXPECT_EQ(c.find("old.event"), &old);
    EXPECT_FALSE(c.find("Time")->stale);
    EXPECT_EQ(c.size(), 31u);
}

TEST(LinkingTest, ProgramsLinkByFragmentFileName) {
    NodeCatalogue c;
    c.generated.shaderProgram = runShader;
    linkShaderPrograms(listOf(program("resources/blur.frag", {uniform("texNoise"), uniform("amount")}),
                              program("resources/blur.glsl")),
                       c);
    ASSERT_EQ(c.size(), 30u);
    const NodeType& t = c[29];
    EXPECT_EQ(t.name, "resources/blur.frag");
    EXPECT_EQ(t.label, "Blur (shader)");
    EXPECT_EQ(t.inputs, (std::vector<InputDef>{
                            inputPin(values::IVec2, "size"), inputPin(values::Texture, "tex"),
                            inputPin(values::Bool, "internal"), inputPin(values::Texture, "texNoise"),
                            inputPin(values::Float, "amount", Value::ofFloat(0.5f), Value::ofFloat(-1),
                                     Value::ofFloat(4))}));
    EXPECT_EQ(t.outputs, (std::vector<OutputDef>{{values::Texture, "texture"}}));
    EXPECT_EQ(t.state, ValueList(11));
    EXPECT_EQ(t.execute, runShader);
}

TEST(LinkingTest, LinkingAgainUpdatesInsteadOfDuplicating) {
    NodeCatalogue c;
    auto events = listOf(event("intro", Event::ValueEvent, {uniform("a")}));
    auto programs = listOf(program("resources/blur.frag"));
    linkShaderPrograms(programs, c);
    linkEvents(events, c);
    NodeType* intro = c.find("intro.event");
    intro->state[0] = Value::ofInt(7);

    events[0]->uniform_defs.push_back(uniform("b"));
    programs[0]->uniformDefs.push_back(uniform("amount"));
    c.generated.event = runEvent;
    linkShaderPrograms(programs, c);
    linkEvents(events, c);
    EXPECT_EQ(c.size(), 31u);
    EXPECT_EQ(c.find("intro.event"), intro);
    EXPECT_EQ(intro->outputs.size(), 2u);
    EXPECT_EQ(intro->state[0], MaybeValue(Value::ofInt(7)));  // an update leaves the state alone
    EXPECT_EQ(intro->execute, runEvent);
    EXPECT_EQ(c.find("resources/blur.frag")->inputs.size(), 4u);
}

TEST(LinkingTest, SameNamedItemsGiveOneTypeShapedByTheFirst) {
    NodeCatalogue c;
    linkEvents(listOf(event("twin", Event::ValueEvent, {uniform("a")}),
                      event("twin", Event::ValueEvent, {uniform("a"), uniform("b")})),
               c);
    EXPECT_EQ(c.size(), 30u);
    EXPECT_EQ(c.find("twin.event")->outputs.size(), 1u);
}

TEST(LinkingTest, ScenesScriptsAndPatchesFollowTheirItems) {
    NodeCatalogue c;
    auto scene = std::make_unique<Scene>();
    scene->name = "city";
    auto script = std::make_unique<Script>();
    script->name = "wobble";
    script->inputs.resize(1);
    script->inputs[0].type = values::Float;
    script->inputs[0].name = "speed";
    script->inputs[0].default_value = Value::ofFloat(2);
    script->inputs[0].max_value = Value::ofFloat(9);
    script->outputs.resize(1);
    script->outputs[0].type = values::Vec3;
    script->outputs[0].name = "offset";
    auto patch = std::make_unique<ShaderPatch>();
    patch->name = "glow";
    patch->inputs.resize(1);
    patch->inputs[0].type = values::Int;
    patch->inputs[0].name = "steps";
    patch->inputs[0].min_value = Value::ofInt(1);

    c.append(NodeType("city.scene", nullptr, {}, {}, {{values::Float, "stray"}}));
    auto scenes = listOf(std::move(scene));
    linkScenes(scenes, c);
    linkScripts(listOf(std::move(script)), c);
    linkPatches(listOf(std::move(patch)), c);
    ASSERT_EQ(c.size(), 32u);

    const NodeType& city = c[29];
    EXPECT_EQ(city.name, "city.scene");
    EXPECT_TRUE(city.outputs.empty());  // an existing scene type loses its outputs
    EXPECT_TRUE(city.inputs.empty());   // and keeps its inputs

    scenes[0]->name = "harbour";
    linkScenes(scenes, c);
    const NodeType& harbour = c[32];
    EXPECT_EQ(harbour.inputs.size(), 6u);
    EXPECT_EQ(harbour.inputs[0], inputPin(values::Int, "shader"));
    EXPECT_EQ(harbour.inputs[5], inputPin(values::Vec3, "lightDirection"));
    ValueList sceneState(6);
    sceneState[4] = Value::ofInt(-1);
    EXPECT_EQ(harbour.state, sceneState);
    EXPECT_TRUE(city.stale);

    const NodeType& wobble = c[30];
    EXPECT_EQ(wobble.name, "wobble.script");
    EXPECT_EQ(wobble.inputs,
              std::vector<InputDef>{inputPin(values::Float, "speed", Value::ofFloat(2), {}, Value::ofFloat(9))});
    EXPECT_EQ(wobble.outputs, (std::vector<OutputDef>{{values::Vec3, "offset"}}));
    EXPECT_EQ(wobble.state, ValueList(2));

    const NodeType& glow = c[31];
    EXPECT_EQ(glow.name, "glow.patch");
    EXPECT_EQ(glow.label, "Glow (patch)");
    EXPECT_EQ(glow.inputs, std::vector<InputDef>{inputPin(values::Int, "steps", {}, Value::ofInt(1))});
    EXPECT_TRUE(glow.outputs.empty());
    EXPECT_EQ(glow.state, ValueList(1));
}
