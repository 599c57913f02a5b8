#include "nodes/Execution.h"

#include <gtest/gtest.h>

#include "tests/ExecutionSupport.h"

using namespace Nodes;
using namespace testing_support;
using values::MaybeValue;
using values::Value;

namespace {

struct Frame {
    Graph graph;
    ExecutionContext context;

    Frame() { runs().clear(); }
    void render() { renderGraph(graph, nullptr, nullptr, context); }
};

size_t countOf(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(GraphExecution, SelfActivatingNodesFirstThenTheRootChainDepthFirst) {
    Frame f;
    addProbe(f.graph, "S", true);
    GraphNode& a = addProbe(f.graph, "A", true);
    GraphNode& b = addProbe(f.graph, "B");
    GraphNode& c = addProbe(f.graph, "C");
    GraphNode& d = addProbe(f.graph, "D");
    addProbe(f.graph, "T", true);
    activate(a, b);
    activate(a, c);
    activate(b, d);
    f.graph.root = &a;
    f.render();
    // A is self-activating and the root: it runs, with its chain, in both passes.
    EXPECT_EQ(runNames(), (std::vector<std::string>{"S", "A", "B", "D", "C", "T", "A", "B", "D", "C"}));
    EXPECT_EQ(f.context.depth, 0);
}

TEST(GraphExecution, OutputsReachTheSuccessorBeforeItRunsEvenWhenTheFlowStops) {
    Frame f;
    GraphNode& a = addProbe(f.graph, "A");
    GraphNode& b = addProbe(f.graph, "B");
    feed(a, 0, b, 1);
    activate(a, b);
    f.graph.root = &a;
    a.state[0] = number(2.5f);
    f.render();
    ASSERT_EQ(runs().size(), 2u);
    EXPECT_EQ(runs()[1].b, number(2.5f));

    runs().clear();
    a.state[0] = number(4.0f);
    a.state[1] = Value::ofBool(true);
    f.render();
    EXPECT_EQ(runNames(), std::vector<std::string>{"A"});
    EXPECT_EQ(b.inputs[1], number(4.0f));
}

TEST(GraphExecution, EmptyOutputsAndBadLinksDeliverNothing) {
    Frame f;
    GraphNode& a = addProbe(f.graph, "A");
    GraphNode& b = addProbe(f.graph, "B");
    f.graph.root = &a;
    b.inputs = {number(1), number(7)};
    feed(a, 0, b, 1);  // output 0 is still empty
    f.render();
    EXPECT_EQ(b.inputs[1], number(7));

    a.state[0] = number(3);
    a.connections.clear();
    feed(a, -2, b, 1);
    feed(a, 0, b, 2);
    feed(a, 0, b, -2);
    link(a, nullptr, 0, 1);
    link(a, nullptr);
    feed(a, 7, b, 0);
    f.render();
    EXPECT_EQ(b.inputs, (ValueList{number(1), number(7)}));
    // Synchronisation drops the link from an output the node does not have; the others stay.
    EXPECT_EQ(a.connections.size(), 5u);
}

TEST(GraphExecution, UnknownNodeTypeRunsNothingButPassesTheFlowOn) {
    Frame f;
    GraphNode& u = addProbe(f.graph, "U");
    GraphNode& b = addProbe(f.graph, "B");
    u.def = nullptr;
    u.outputValues[0] = number(5);
    feed(u, 0, b, 1);
    activate(u, b);
    f.graph.root = &u;
    f.render();
    EXPECT_EQ(runNames(), std::vector<std::string>{"B"});
    EXPECT_FALSE(b.inputs[1].hasValue);
}

TEST(GraphExecution, PinsFollowTheTypeBeforeEachRun) {
    Frame f;
    NodeType grown = makeProbeType();
    grown.inputs.resize(1);
    GraphNode& n = addNode(f.graph, &grown, "N");
    f.graph.root = &n;
    ASSERT_EQ(n.inputs.size(), 1u);
    grown.inputs.push_back(inputPin(values::Float, "b", Value::ofFloat(9)));
    f.render();
    ASSERT_EQ(runs().size(), 1u);
    EXPECT_EQ(runs()[0].inputCount, 2u);
    EXPECT_EQ(runs()[0].b, number(9));
}

TEST(GraphExecution, CurrentNodeAndOwnerAreRestored) {
    Frame f;
    GraphNode& a = addProbe(f.graph, "A");
    f.graph.root = &a;
    Graph elsewhere;
    GraphNode& before = addProbe(elsewhere, "before");
    GraphNode& outerOwner = addProbe(elsewhere, "outer owner");
    GraphNode& owner = addProbe(elsewhere, "owner");
    f.context.current = &before;
    f.context.owner = &outerOwner;
    renderGraph(f.graph, nullptr, &owner, f.context);
    ASSERT_EQ(runs().size(), 1u);
    EXPECT_EQ(runs()[0].owner, &owner);
    EXPECT_EQ(f.context.current, &before);
    EXPECT_EQ(f.context.owner, &outerOwner);
}

TEST(GraphExecution, LongChainsRunToTheirEnd) {
    Frame f;
    constexpr int kLength = 3000;
    GraphNode* previous = &addProbe(f.graph, "0");
    f.graph.root = previous;
    for (int i = 1; i < kLength; ++i) {
        GraphNode& next = addProbe(f.graph, std::to_string(i));
        activate(*previous, next);
        previous = &next;
    }
    f.render();
    ASSERT_EQ(runs().size(), size_t(kLength));
    EXPECT_EQ(runs().back().node, std::to_string(kLength - 1));
    EXPECT_EQ(f.context.depth, 0);
}

TEST(GraphExecution, ActivationCycleStopsAtTheNestingLimitAndTheFrameGoesOn) {
    Frame f;
    GraphNode& root = addProbe(f.graph, "root");
    GraphNode& a = addProbe(f.graph, "A");
    GraphNode& b = addProbe(f.graph, "B");
    GraphNode& after = addProbe(f.graph, "after");
    activate(root, a);
    activate(root, after);
    activate(a, b);
    activate(b, a);
    f.graph.root = &root;

    testing::internal::CaptureStdout();
    f.render();
    f.render();
    std::string printed = testing::internal::GetCapturedStdout();

    // One level for the graph, one for the root, then A and B alternate up to the limit.
    size_t perFrame = size_t(kMaxNesting - 2) + 2;
    ASSERT_EQ(runs().size(), 2 * perFrame);
    EXPECT_EQ(runs()[perFrame - 1].node, "after");
    EXPECT_EQ(runs().back().node, "after");
    EXPECT_EQ(f.context.depth, 0);
    EXPECT_LE(countOf(printed, "WARNING"), 1u);  // once per process, which may have been earlier
}

TEST(GraphExecution, DoublyLinkedCycleEndsAtTheFrameVisitBudget) {
    Frame f;
    GraphNode& a = addProbe(f.graph, "A");
    activate(a, a);
    activate(a, a);  // under the nesting limit this alone would take 2^256 visits
    f.graph.root = &a;
    testing::internal::CaptureStdout();
    f.render();
    testing::internal::GetCapturedStdout();
    // The frame ends: visits refused at the nesting limit count against the budget too.
    EXPECT_LE(runs().size(), size_t(kMaxVisitsPerFrame));
    EXPECT_GT(runs().size(), size_t(kMaxVisitsPerFrame) / 4);
    EXPECT_EQ(f.context.depth, 0);
}

TEST(GraphExecution, BoundedActivationLoopOfBuiltinsRunsToItsEnd) {
    Frame f;
    GraphNode& count = addBuiltin(f.graph, "Operator");  // a + b
    GraphNode& test = addBuiltin(f.graph, "If");         // a < b
    count.inputs[2] = number(1);
    test.inputs[0] = Value::ofInt(3);
    test.inputs[2] = number(10);
    feed(count, 0, count, 1);
    feed(count, 0, test, 1);
    activate(count, test);
    activate(test, count);
    f.graph.root = &count;
    f.render();
    EXPECT_EQ(count.outputValues[0], number(10));
    EXPECT_EQ(test.outputValues[0], MaybeValue(Value::ofBool(false)));
}

TEST(GraphExecution, FallbackRootGraphHoldsOneTimeNode) {
    NodeCatalogue types;
    std::unique_ptr<Graph> graph = makeFallbackRootGraph(types);
    ASSERT_EQ(graph->nodes.size(), 1u);
    EXPECT_EQ(graph->root, graph->nodes[0].get());
    EXPECT_EQ(graph->root->def, &types[0]);
    EXPECT_EQ(types[0].name, "Time");

    ExecutionContext context;
    context.beat = 3.25f;
    renderGraph(*graph, nullptr, nullptr, context);
    EXPECT_EQ(graph->root->outputValues, (ValueList{number(3.25f), number(0.25f), number(0.75f)}));
}
