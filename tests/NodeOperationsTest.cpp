#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "show/Demo.h"
#include "content/Registry.h"
#include "graph/Linking.h"
#include "nodes/ValueNodes.h"
#include "tests/ExecutionSupport.h"

using namespace Nodes;
using namespace testing_support;
using values::MaybeValue;
using values::Value;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Harness {
    Demo demo;
    PatchSet patches;
    Graph graph;
    ExecutionContext context;

    Harness() {
        context.demo = &demo;
        context.patchSet = &patches;
    }
    GraphNode& node(const char* type) { return addBuiltin(graph, type); }
    GraphNode& node(NodeType* type) { return addNode(graph, type); }
    void run(GraphNode& n) { visitNode(n, &demo, context); }
};

float floatOut(const GraphNode& n, size_t i = 0) { return n.outputValues[i].value.asFloat(); }

struct OperatorCase {
    int32_t op;
    float a, b, c, expected;
};

}  // namespace

TEST(NodeOperations, TimeSplitsTheBeatTowardZero) {
    Harness h;
    GraphNode& time = h.node("Time");
    h.context.beat = 3.25f;
    h.run(time);
    EXPECT_EQ(time.outputValues, (ValueList{number(3.25f), number(0.25f), number(0.75f)}));
    h.context.beat = -1.25f;
    h.run(time);
    EXPECT_EQ(time.outputValues, (ValueList{number(-1.25f), number(-0.25f), number(1.25f)}));
}

TEST(NodeOperations, OperatorFollowsItsTable) {
    const float inf = std::numeric_limits<float>::infinity();
    const OperatorCase cases[] = {
        {0, 2, 3, 0, 5},           {1, 2, 3, 0, -1},       {2, 2, 3, 0, 6},       {3, 3, 2, 0, 1.5f},
        {3, 1, inf, 0, 0},         {4, -1, 3, 0, 2},       {5, -2, 0, 0, 2},      {6, -0.25f, 0, 0, 0.75f},
        {7, 2, 1, 0, 0},           {7, 1, 1, 0, 1},        {8, 0, 2, 1, 0.5f},    {8, 1, 1, 2, 1},
        {8, 1, 1, 0, 0},           {9, 2, 4, 0.25f, 2.5f}, {10, 5, 0, 3, 3},      {11, 3, 2, 4, 6},
        {12, -1.5f, 0, 0, -2},     {13, -1.5f, 0, 0, -1},  {14, 2.5f, 0, 0, 3},   {14, -2.5f, 0, 0, -3},
        {15, 0, 0, 0, 0},          {16, 0, 0, 0, 1},       {17, 0, 0, 0, 0.5f},
    };
    Harness h;
    GraphNode& op = h.node("Operator");
    // Op 8 with a == b divides by zero before clamping: +inf gives 1, -inf gives 0.
    for (const OperatorCase& k : cases) {
        op.inputs = {Value::ofInt(k.op), number(k.a), number(k.b), number(k.c)};
        h.run(op);
        EXPECT_FLOAT_EQ(floatOut(op), k.expected) << "op " << k.op << " a " << k.a << " b " << k.b;
        EXPECT_FALSE(op.stopFlow);
    }
}

TEST(NodeOperations, OperatorDividingByZeroKeepsItsOutputAndStopsTheFlow) {
    Harness h;
    GraphNode& op = h.node("Operator");
    GraphNode& sink = addProbe(h.graph, "sink");
    feed(op, 0, sink, 1);
    activate(op, sink);
    runs().clear();
    op.inputs = {Value::ofInt(0), number(40), number(2), number(0)};
    h.run(op);
    ASSERT_EQ(runs().size(), 1u);

    for (int32_t divides : {3, 11})
        for (float zero : {0.0f, -0.0f}) {
            runs().clear();
            sink.inputs[1] = {};
            op.inputs = {Value::ofInt(divides), number(1), number(zero), number(1)};
            h.run(op);
            EXPECT_TRUE(op.stopFlow);
            EXPECT_TRUE(runs().empty());
            EXPECT_EQ(sink.inputs[1], number(42)) << "the old output is delivered again";
        }

    // NaN is not zero: the division happens and the flow goes on.
    op.inputs = {Value::ofInt(3), number(1), number(kNaN), number(0)};
    h.run(op);
    EXPECT_FALSE(op.stopFlow);
    EXPECT_TRUE(std::isnan(floatOut(op)));
}

TEST(NodeOperations, OperatorOutsideTheTableLeavesTheOutputAndLetsTheFlowGoOn) {
    Harness h;
    GraphNode& op = h.node("Operator");
    op.outputValues[0] = number(7);
    op.stopFlow = true;
    for (int32_t unknown : {18, -1, 255}) {
        op.inputs = {Value::ofInt(unknown), number(1), number(2), number(3)};
        h.run(op);
        EXPECT_EQ(op.outputValues[0], number(7));
        EXPECT_FALSE(op.stopFlow);
    }
}

TEST(NodeOperations, IfComparesAndStopsTheFlowWhenFalse) {
    struct Case {
        int32_t compare;
        float a, b;
        bool c, expected;
    };
    const Case cases[] = {
        {0, 1, 1, false, true},   {0, kNaN, kNaN, false, false}, {1, kNaN, 1, false, true}, {1, 2, 2, false, false},
        {2, 2, 1, false, true},   {3, 2, 1, false, false},       {4, 1, 1, false, true},    {5, 2, 1, false, false},
        {6, 0, 5, false, true},   {6, 0.5f, 0, false, false},    {7, 0, 0, false, true},    {7, 0, 0, true, false},
        {8, 1, 1, true, false},   {9, 1, 1, true, false},        {-1, 1, 1, true, false},
    };
    Harness h;
    GraphNode& test = h.node("If");
    for (const Case& k : cases) {
        test.inputs = {Value::ofInt(k.compare), number(k.a), number(k.b), Value::ofBool(k.c)};
        h.run(test);
        EXPECT_EQ(test.outputValues[0], MaybeValue(Value::ofBool(k.expected))) << "compare " << k.compare;
        EXPECT_EQ(test.stopFlow, !k.expected) << "compare " << k.compare;
    }
}

TEST(NodeOperations, ConvertTruncatesTowardZeroWithinTheIntRange) {
    Harness h;
    GraphNode& convert = h.node("Convert");
    h.run(convert);
    EXPECT_EQ(convert.outputValues, ValueList(2)) << "absent inputs convert nothing";

    convert.inputs = {Value::ofInt(5), number(-2.7f)};
    h.run(convert);
    EXPECT_EQ(convert.outputValues, (ValueList{Value::ofInt(-2), number(5)}));

    EXPECT_EQ(truncateToInt(2.99f), 2);
    EXPECT_EQ(truncateToInt(kNaN), 0);
    EXPECT_EQ(truncateToInt(3e9f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncateToInt(2147483648.0f), std::numeric_limits<int32_t>::max()) << "the first float past the range";
    EXPECT_EQ(truncateToInt(-2147483648.0f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt(-3e9f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt(std::numeric_limits<float>::infinity()), std::numeric_limits<int32_t>::max());
}

TEST(NodeOperations, ConstantCopiesPresentInputsOnly) {
    Harness h;
    GraphNode& constant = h.node("Constant");
    constant.inputs = {Value::ofBool(true), Value::ofInt(4), number(1.5f)};
    h.run(constant);
    EXPECT_EQ(constant.outputValues, constant.inputs);
    constant.inputs = {MaybeValue(), Value::ofInt(5), MaybeValue()};
    h.run(constant);
    EXPECT_EQ(constant.outputValues, (ValueList{Value::ofBool(true), Value::ofInt(5), number(1.5f)}));
}

TEST(NodeOperations, VectorNodesUseTheirInputsAsStored) {
    Harness h;
    GraphNode& vec3 = h.node("Vec3");
    MaybeValue absent = number(2);
    absent.hasValue = false;
    vec3.inputs = {number(1), absent, MaybeValue()};
    h.run(vec3);
    const float packed[3] = {1, 2, 0};
    EXPECT_EQ(vec3.outputValues[0], MaybeValue(Value::ofFloats(values::Vec3, packed, 3)));

    GraphNode& xyz = h.node("Vec3xyz");
    xyz.inputs[0] = vec3.outputValues[0];
    h.run(xyz);
    EXPECT_EQ(xyz.outputValues, (ValueList{number(1), number(2), number(0)}));

    GraphNode& ivec2 = h.node("IVec2");
    ivec2.inputs = {Value::ofInt(-3), Value::ofInt(8)};
    h.run(ivec2);
    const int32_t size[2] = {-3, 8};
    EXPECT_EQ(ivec2.outputValues[0], MaybeValue(Value::ofInts(values::IVec2, size, 2)));
}

TEST(NodeOperations, ClearPatchesEmptiesTheFramesSet) {
    Harness h;
    h.patches.vertexHooks["// <VERTEX_PATCH>"] = "x\n";
    h.patches.fragmentHooks["// <FRAGMENT_PATCH>"] = "y\n";
    h.patches.inputs.emplace_back("tint", Value::ofFloat(1));
    GraphNode& clear = h.node("ClearPatches");
    h.run(clear);
    EXPECT_TRUE(h.patches.vertexHooks.empty() && h.patches.fragmentHooks.empty() && h.patches.inputs.empty());
    h.context.patchSet = nullptr;
    h.run(clear);
    EXPECT_EQ(h.context.depth, 0);
}

// ---------------------------------------------------------------------------------------------
// Generated types

namespace {

UniformDef uniform(const char* name, bool isString = false) {
    UniformDef u;
    u.name = name;
    u.is_string = isString;
    return u;
}

struct EventShow : Harness {
    NodeCatalogue types;
    Event* intro;

    EventShow() {
        auto e = std::make_unique<Event>();
        e->name = "intro";
        e->type = Event::ValueEvent;
        e->start_beat = 4;
        e->end_beat = 8;
        e->uniform_defs = {uniform("fade"), uniform("title", true), uniform("untracked")};
        e->tracks["fade"].points = {{0, 0, {}}, {4, 1, {}}};
        e->tracks["title"].points = {{0, 0, "at <BEAT>"}};
        intro = e.get();
        demo.events.push_back(std::move(e));
        linkEvents(demo.events, types);
    }
    GraphNode& eventNode() { return node(types.find("intro.event")); }
};

}  // namespace

TEST(NodeOperations, EventNodeOutputsItsUniformsInsideItsWindow) {
    EventShow show;
    GraphNode& n = show.eventNode();
    n.inputs[0] = number(6);
    n.outputValues[2] = number(99);
    show.context.beat = 12.5f;
    show.run(n);
    EXPECT_FALSE(n.stopFlow);
    EXPECT_EQ(n.outputValues, (ValueList{number(0.5f), Value::ofString("at 12.500000"), number(0)}));

    // The event is kept as a registry handle, never as an address.
    ASSERT_TRUE(n.state[0].hasValue);
    EXPECT_EQ(n.state[0].value.type, values::Reference);
    EXPECT_EQ(values::Registry::resolve<Event>(n.state[0].value.asReference()), show.intro);
    EXPECT_NE(n.state[0].value.asReference(), reinterpret_cast<uint64_t>(show.intro));
}

TEST(NodeOperations, EventNodeStopsTheFlowOutsideItsWindowOrWhenHidden) {
    EventShow show;
    GraphNode& n = show.eventNode();
    n.inputs[0] = number(5);
    show.run(n);
    ValueList inside = n.outputValues;

    for (float outside : {3.9f, 8.0f, 9.0f}) {
        n.inputs[0] = number(outside);
        show.run(n);
        EXPECT_TRUE(n.stopFlow) << outside;
        EXPECT_EQ(n.outputValues, inside) << outside;
    }

    n.inputs[0] = {};
    show.run(n);
    EXPECT_FALSE(n.stopFlow) << "without a time the visible event lets the flow through";

    show.intro->visible = false;
    n.inputs[0] = number(6);
    show.run(n);
    EXPECT_TRUE(n.stopFlow);
    EXPECT_EQ(n.outputValues, inside);
}

TEST(NodeOperations, EventNodeOfAVanishedEventDoesNothing) {
    EventShow show;
    GraphNode& n = show.eventNode();
    show.intro->name = "renamed";
    n.inputs[0] = number(6);
    show.run(n);
    EXPECT_FALSE(n.state[0].hasValue);
    EXPECT_FALSE(n.stopFlow);
    EXPECT_EQ(n.outputValues, ValueList(3));
}

TEST(NodeOperations, PatchNodeAddsItsPatchToTheFramesSet) {
    Harness h;
    auto patch = std::make_unique<ShaderPatch>();
    patch->name = "glow";
    patch->fragment_patch = "c *= amount;";
    patch->inputs.resize(1);
    patch->inputs[0].type = values::Float;
    patch->inputs[0].name = "amount";
    ShaderPatch* glow = patch.get();
    h.demo.patches.push_back(std::move(patch));
    NodeCatalogue types;
    linkPatches(h.demo.patches, types);

    GraphNode& n = h.node(types.find("glow.patch"));
    n.inputs[0] = number(0.5f);
    h.run(n);
    h.run(n);
    EXPECT_EQ(h.patches.fragmentHooks["// <FRAGMENT_PATCH>"], "c *= amount;\nc *= amount;\n");
    ASSERT_EQ(h.patches.inputs.size(), 1u);
    EXPECT_EQ(h.patches.inputs[0].second, Value::ofFloat(0.5f));
    EXPECT_EQ(values::Registry::resolve<ShaderPatch>(n.state[0].value.asReference()), glow);

    h.context.patchSet = nullptr;  // no frame set: nothing to add to
    h.run(n);
    EXPECT_EQ(h.patches.fragmentHooks.size(), 1u);
}
