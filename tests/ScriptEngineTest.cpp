#include <gtest/gtest.h>

#include "show/Demo.h"
#include "content/Registry.h"
#include "graph/Linking.h"
#include "scripting/ScriptEngine.h"
#include "tests/ExecutionSupport.h"
#include "tests/ScriptPorts.h"

using namespace Nodes;
using namespace testing_support;
using scripting::ScriptEngine;
using values::Value;

namespace {

// A show of scripts, each with a node of its type; frames run one node at a time.
struct ScriptShow {
    Demo demo;
    NodeCatalogue types;
    Graph graph;
    ExecutionContext context;

    ScriptShow() { context.demo = &demo; }

    Script& add(const std::string& name, const std::string& source, std::vector<ScriptPort> inputs,
                std::vector<ScriptPort> outputs) {
        auto s = std::make_unique<Script>();
        s->name = name;
        s->source = source;
        s->inputs = std::move(inputs);
        s->outputs = std::move(outputs);
        demo.scripts.push_back(std::move(s));
        linkScripts(demo.scripts, types);
        return *demo.scripts.back();
    }
    GraphNode& node(const std::string& script) { return addNode(graph, types.find(script + ".script")); }
    void run(GraphNode& n) {
        context.visits = 0;
        visitNode(n, &demo, context);
    }
    const std::string& error() { return ScriptEngine::instance().last_error; }
};

}  // namespace

TEST(ScriptEngine, RunsTheFunctionMadeFromNameInputsAndSource) {
    ScriptShow show;
    // A trailing line comment would swallow the closing brace unless the source ends a line.
    show.add("sum2", "result.sum = a + b; // adds", {makePort(values::Float, "a"), makePort(values::Float, "b")},
             {makePort(values::Float, "sum")});
    GraphNode& n = show.node("sum2");
    n.inputs = {number(1), number(2)};
    show.run(n);
    EXPECT_EQ(show.error(), "");
    EXPECT_TRUE(show.demo.scripts[0]->compiled);
    EXPECT_EQ(n.outputValues, ValueList{number(3)});
    ASSERT_TRUE(n.state[0].hasValue);
    EXPECT_EQ(values::Registry::resolve<Script>(n.state[0].value.asReference()), show.demo.scripts[0].get());

    // Empty inputs arrive as undefined.
    show.add("probeUndefined", "result.seen = (a === undefined) && (b === 4);",
             {makePort(values::Float, "a"), makePort(values::Int, "b")}, {makePort(values::Bool, "seen")});
    GraphNode& u = show.node("probeUndefined");
    u.inputs = {{}, Value::ofInt(4)};
    show.run(u);
    EXPECT_EQ(u.outputValues, ValueList{Value::ofBool(true)});
}

TEST(ScriptEngine, OutputsOfTheWrongFormBecomeEmpty) {
    ScriptShow show;
    show.add("forms",
             "result.short3 = [1, 2]; result.long3 = [1, 2, 3, 4]; result.text = 'x'; result.i = 2.7;"
             "result.ni = -2.7; result.flag = 1; result.odd = 1; result.m2 = [1, 2, 'x', 4];"
             "result.handle = 12345; result.iv = [1.9, -1.9]; result.big = 3e9; result.ibig = [-3e9, 3e9];",
             {},
             {makePort(values::Vec3, "short3"), makePort(values::Vec3, "long3"), makePort(values::Float, "text"),
              makePort(values::Int, "i"), makePort(values::Int, "ni"), makePort(values::Bool, "flag"),
              makePort(99, "odd"), makePort(values::Mat2, "m2"), makePort(values::Reference, "handle"),
              makePort(values::IVec2, "iv"), makePort(values::Float, "missing"), makePort(values::Int, "big"),
              makePort(values::IVec2, "ibig")});
    GraphNode& n = show.node("forms");
    show.run(n);
    const float v3[] = {1, 2, 3};
    const int32_t iv[] = {1, -1};
    const int32_t ibig[] = {INT32_MIN, INT32_MAX};
    const uint64_t handle = 12345;
    const ValueList expected = {{}, Value::ofFloats(values::Vec3, v3, 3), {}, Value::ofInt(2), Value::ofInt(-2),
                                {}, {}, {}, Value(values::Reference, &handle, sizeof handle),
                                Value::ofInts(values::IVec2, iv, 2), {}, Value::ofInt(INT32_MAX),
                                Value::ofInts(values::IVec2, ibig, 2)};
    EXPECT_EQ(n.outputValues, expected);
    // A number a script makes up is a handle that names nothing.
    EXPECT_EQ(values::Registry::resolve<Script>(handle), nullptr);
}

TEST(ScriptEngine, ReferencesCrossAsHandlesThatStillResolve) {
    ScriptShow show;
    Script& s =
        show.add("pass", "result.r = r;", {makePort(values::Reference, "r")}, {makePort(values::Reference, "r")});
    const uint64_t handle = values::Registry::add(&s);
    GraphNode& n = show.node("pass");
    n.inputs = {Value::ofReference(handle)};
    show.run(n);
    ASSERT_TRUE(n.outputValues[0].hasValue);
    EXPECT_EQ(values::Registry::resolve<Script>(n.outputValues[0].value.asReference()), &s);
    values::Registry::remove(handle);
}

TEST(ScriptEngine, FailuresKeepOutputsAndResultPropertiesPersist) {
    ScriptShow show;
    Script& thrower = show.add("thrower", "result.x = 7; if (fail) throw new Error('broken on purpose');",
                               {makePort(values::Bool, "fail")}, {makePort(values::Float, "x")});
    GraphNode& n = show.node("thrower");
    n.inputs = {Value::ofBool(false)};
    show.run(n);
    EXPECT_EQ(n.outputValues, ValueList{number(7)});

    // A run that throws after assigning keeps the node's outputs as they were.
    show.add("setter", "result.x = 1; result.y = 2;", {}, {makePort(values::Float, "x")});
    n.inputs = {Value::ofBool(true)};
    n.outputValues = {number(5)};
    show.run(n);
    EXPECT_NE(show.error().find("broken on purpose"), std::string::npos) << show.error();
    EXPECT_EQ(n.outputValues, ValueList{number(5)});

    // "result" is never cleared: a run that assigns nothing still reads what earlier runs left.
    show.add("reader", "", {}, {makePort(values::Float, "y")});
    GraphNode& r = show.node("reader");
    show.run(show.node("setter"));
    show.run(r);
    show.run(r);
    EXPECT_EQ(r.outputValues, ValueList{number(2)});
    EXPECT_TRUE(thrower.compiled);
}

TEST(ScriptEngine, BrokenSourceCompilesOnceUntilItChanges) {
    ScriptShow show;
    Script& s = show.add("broken", "result.v = (;", {}, {makePort(values::Float, "v")});
    GraphNode& n = show.node("broken");
    show.run(n);
    EXPECT_TRUE(s.compiled);
    EXPECT_NE(show.error().find("not callable"), std::string::npos) << show.error();

    s.compiled = false;  // set again only by a new compile
    testing::internal::CaptureStderr();
    show.run(n);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // a repeated error is printed once
    EXPECT_FALSE(s.compiled);
    EXPECT_FALSE(n.outputValues[0].hasValue);

    s.source = "result.v = 4;";
    show.run(n);
    EXPECT_TRUE(s.compiled);
    EXPECT_EQ(n.outputValues, ValueList{number(4)});
}

TEST(ScriptEngine, NamesThatAreNotIdentifiersAreNotCompiled) {
    ScriptShow show;
    ScriptEngine& engine = ScriptEngine::instance();
    Script& bad = show.add("f(){} result.injected = 1; function g", "", {}, {});
    EXPECT_FALSE(engine.compile(bad));
    EXPECT_NE(engine.last_error.find("script name"), std::string::npos) << engine.last_error;
    Script& badInput = show.add("h", "", {makePort(values::Float, "a) {} result.injected = 1; function k(")}, {});
    EXPECT_FALSE(engine.compile(badInput));
    EXPECT_NE(engine.last_error.find("input name"), std::string::npos) << engine.last_error;

    Script& check = show.add("checkInjected", "result.seen = result.injected === undefined;", {},
                             {makePort(values::Bool, "seen")});
    ASSERT_TRUE(engine.compile(check));
    ValueList in, out(1);
    ASSERT_TRUE(engine.run(check, in, out));
    EXPECT_EQ(out, ValueList{Value::ofBool(true)});
}

// Endless loops at run and at compile time and an allocation bomb each fail like a thrown error;
// the interpreter is usable for the next script.
TEST(ScriptEngine, RunawayScriptsAreStoppedAndTheShowGoesOn) {
    ScriptShow show;
    ScriptEngine& engine = ScriptEngine::instance();
    Script& healthy =
        show.add("healthy", "result.ok = x + 1;", {makePort(values::Float, "x")}, {makePort(values::Float, "ok")});
    ASSERT_TRUE(engine.compile(healthy));
    auto stillWorks = [&] {
        ValueList in = {number(1)}, out(1);
        return engine.run(healthy, in, out) && out == ValueList{number(2)};
    };

    Script& spin = show.add("spin", "result.s = 1; try { for (;;) {} } catch (e) {} result.s = 2;", {},
                            {makePort(values::Float, "s")});
    ASSERT_TRUE(engine.compile(spin));
    ValueList in, out = {number(9)};
    EXPECT_FALSE(engine.run(spin, in, out));
    EXPECT_NE(engine.last_error.find("budget"), std::string::npos) << engine.last_error;
    EXPECT_EQ(out, ValueList{number(9)});
    EXPECT_TRUE(stillWorks());

    Script& atCompile = show.add("atCompile", "} for (;;) {} function unused() {", {}, {});
    EXPECT_FALSE(engine.compile(atCompile));
    EXPECT_NE(engine.last_error.find("budget"), std::string::npos) << engine.last_error;
    EXPECT_TRUE(stillWorks());

    // Allocating without end is stopped by the budget; keeping each call's allocations, by the cap.
    Script& bomb = show.add("bomb", "var s = 'xy'; for (;;) s = s + s;", {}, {});
    ASSERT_TRUE(engine.compile(bomb));
    EXPECT_FALSE(engine.run(bomb, in, out));
    EXPECT_NE(engine.last_error.find("budget"), std::string::npos) << engine.last_error;
    Script& hoard = show.add("hoard", "if (!this.kept) kept = []; kept.push(new Uint8Array(3 << 20));", {}, {});
    ASSERT_TRUE(engine.compile(hoard));
    for (int i = 0; i < 200 && engine.last_error.find("MiB") == std::string::npos; ++i) engine.run(hoard, in, out);
    EXPECT_NE(engine.last_error.find("ran out of the 256 MiB script heap"), std::string::npos) << engine.last_error;
    EXPECT_TRUE(stillWorks());
    EXPECT_LT(engine.limits.heapBytes, size_t(16) << 20);  // the hoard went with the heap made anew
}

// A replaced show's scripts go away on every reload; the engine must not keep their entries.
TEST(ScriptEngine, ForgetsAScriptRecordThatGoesAway) {
    ScriptEngine& engine = ScriptEngine::instance();
    const size_t before = engine.scriptsKept();
    {
        Script script;
        script.name = "forgotten";
        script.source = "result.x = 1;";
        ASSERT_TRUE(engine.compile(script));
        EXPECT_EQ(engine.scriptsKept(), before + 1);
    }
    EXPECT_EQ(engine.scriptsKept(), before);
}
