#include <gtest/gtest.h>

#include "show/Demo.h"
#include "tests/ExecutionSupport.h"

using namespace Nodes;
using namespace testing_support;
using values::MaybeValue;
using values::Value;

namespace {

struct Show {
    Demo demo;
    Graph outer;
    ExecutionContext context;

    Show() { runs().clear(); }
    Graph& addGraph() {
        demo.graphs.push_back(std::make_unique<Graph>());
        return *demo.graphs.back();
    }
    void render() { renderGraph(outer, &demo, nullptr, context); }
    // The next frame's context is a fresh one.
    void nextFrame() { beginFrame(context); }  // the frame loop keeps one context
};

GraphNode& subgraph(Graph& graph, int32_t index, const std::string& name = "sub") {
    GraphNode& n = addBuiltin(graph, "Subgraph", name);
    n.subgraph_index = index;
    return n;
}

GraphNode& named(Graph& graph, const char* type, const char* macroName) {
    GraphNode& n = addBuiltin(graph, type, type);
    n.inputs[0] = Value::ofString(macroName);
    return n;
}

}  // namespace

TEST(SubgraphMacro, SubgraphRendersItsGraphWithItselfAsOwnerWithinBounds) {
    Show s;
    Graph& inner = s.addGraph();
    inner.root = &addProbe(inner, "inner");
    GraphNode& sub = subgraph(s.outer, 0);
    s.outer.root = &sub;
    s.render();
    ASSERT_EQ(runs().size(), 1u);
    EXPECT_EQ(runs()[0].owner, &sub);
    EXPECT_EQ(s.context.owner, nullptr);

    for (int32_t outOfRange : {1, -1, 1000}) {
        sub.subgraph_index = outOfRange;
        s.render();
    }
    EXPECT_EQ(runs().size(), 1u);
}

TEST(SubgraphMacro, BoundaryNodesCarryValuesInAndOut) {
    Show s;
    Graph& inner = s.addGraph();
    GraphNode& in = addBuiltin(inner, "SubgraphInputs");
    GraphNode& work = addProbe(inner, "work");
    GraphNode& out = addBuiltin(inner, "SubgraphOutputs");
    out.input_defs = {inputPin(values::Float, "x")};
    syncPins(out);
    feed(in, 0, work, 1);
    feed(work, 0, out, 0);
    activate(in, work);
    activate(work, out);
    inner.root = &in;
    work.state[0] = number(7);

    GraphNode& sub = subgraph(s.outer, 0);
    GraphNode& after = addProbe(s.outer, "after");
    sub.input_defs = {inputPin(values::Float, "a"), inputPin(values::Vec3, "b")};
    sub.output_defs = {{values::Int, "p"}, {values::Int, "q"}, {values::Int, "r"}, {values::Int, "s"}};
    syncPins(sub);
    sub.inputs[0] = number(2);
    feed(sub, 0, after, 1);
    feed(sub, 3, after, 1);  // from an output the boundary takes away
    activate(sub, after);
    s.outer.root = &sub;
    s.render();

    EXPECT_EQ(in.output_defs, (std::vector<OutputDef>{{values::Float, "a"}, {values::Vec3, "b"}}));
    ASSERT_EQ(in.outputValues.size(), 2u);
    EXPECT_EQ(in.outputValues[0], number(2));
    EXPECT_FALSE(in.outputValues[1].hasValue) << "only present values cross";
    EXPECT_EQ(sub.output_defs, (std::vector<OutputDef>{{values::Float, "x"}}));
    EXPECT_EQ(sub.connections.size(), 2u);

    // The owner's outputs are set inside its own run, so its links deliver them the same frame.
    ASSERT_EQ(runNames(), (std::vector<std::string>{"work", "after"}));
    EXPECT_EQ(runs()[0].b, number(2));
    EXPECT_EQ(runs()[1].b, number(7));
}

TEST(SubgraphMacro, MacroRunsOnlyWhenCalledLaterInTheSameFrame) {
    Show s;
    GraphNode& start = addProbe(s.outer, "start");
    GraphNode& macro = named(s.outer, "Macro", "fade");
    GraphNode& faded = addProbe(s.outer, "faded");
    GraphNode& call = named(s.outer, "CallMacro", "fade");
    GraphNode& afterCall = addProbe(s.outer, "after call");
    activate(start, macro);
    activate(start, call);
    activate(macro, faded);
    activate(call, afterCall);
    s.outer.root = &start;
    s.render();
    EXPECT_EQ(runNames(), (std::vector<std::string>{"start", "faded", "after call"}));
    EXPECT_EQ(macro.state[0], MaybeValue(Value::ofBool(false)));

    // Next frame the call comes first: the registration of the last frame is gone.
    s.nextFrame();
    runs().clear();
    std::swap(start.connections[0], start.connections[1]);
    s.render();
    EXPECT_EQ(runNames(), (std::vector<std::string>{"start", "after call"}));
}

TEST(SubgraphMacro, SubgraphRenderingItselfStopsAtTheNestingLimit) {
    Show s;
    Graph& self = s.addGraph();
    addProbe(self, "level", true);
    self.root = &subgraph(self, 0);
    Graph& first = s.addGraph();  // 1 -> 2 -> 1 -> ...
    Graph& second = s.addGraph();
    first.root = &subgraph(first, 2);
    second.root = &subgraph(second, 1);
    addProbe(second, "level", true);

    GraphNode& direct = subgraph(s.outer, 0);
    GraphNode& through = subgraph(s.outer, 1);
    GraphNode& after = addProbe(s.outer, "after");
    activate(direct, through);
    activate(through, after);
    s.outer.root = &direct;
    testing::internal::CaptureStdout();
    s.render();
    testing::internal::GetCapturedStdout();

    // Each nesting takes two levels (the visit and the render), and every level ran its probe.
    std::vector<std::string> names = runNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "after");
    EXPECT_GT(names.size(), size_t(kMaxNesting) / 2);
    EXPECT_LT(names.size(), size_t(kMaxNesting));
    EXPECT_EQ(s.context.depth, 0);
    EXPECT_EQ(s.context.owner, nullptr);
}

TEST(SubgraphMacro, MacroCallingItselfStopsAtTheNestingLimit) {
    Show s;
    GraphNode& start = addProbe(s.outer, "start");
    GraphNode& macro = named(s.outer, "Macro", "loop");
    GraphNode& body = addProbe(s.outer, "body");
    GraphNode& again = named(s.outer, "CallMacro", "loop");
    GraphNode& call = named(s.outer, "CallMacro", "loop");
    GraphNode& after = addProbe(s.outer, "after");
    activate(start, macro);
    activate(start, call);
    activate(start, after);
    activate(macro, body);
    activate(body, again);
    s.outer.root = &start;
    testing::internal::CaptureStdout();
    s.render();
    testing::internal::GetCapturedStdout();

    std::vector<std::string> names = runNames();
    ASSERT_GT(names.size(), 2u);
    EXPECT_EQ(names.back(), "after");
    EXPECT_LT(names.size(), size_t(kMaxNesting));
    EXPECT_EQ(macro.state[0], MaybeValue(Value::ofBool(false)));
    EXPECT_EQ(s.context.depth, 0);
}
