// Cost of graph execution: one "Operator" visit (pin synchronisation, execute, propagation)
// against the same arithmetic in a plain loop, and heap allocations per frame of a graph of
// display-free nodes in steady state (there should be none).
#include <ctime>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "show/Demo.h"
#include "nodes/Execution.h"
#include "graph/Linking.h"

namespace {

using namespace Nodes;
using values::Value;

constexpr int kNodes = 10000;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

GraphNode& add(Graph& graph, NodeType* type, bool selfActivating = false) {
    graph.nodes.push_back(std::make_unique<GraphNode>(type));
    graph.nodes.back()->selfActivating = selfActivating;
    return *graph.nodes.back();
}

void link(GraphNode& from, GraphNode& to, int32_t output = -1, int32_t input = -1) {
    Connection c;
    c.dst = &to;
    c.src_output_idx = output;
    c.dst_input_idx = input;
    from.connections.push_back(c);
}

// Self-activating rather than chained: a chain this long would pass the nesting limit.
Graph operatorRow(NodeCatalogue& types) {
    Graph graph;
    for (int i = 0; i < kNodes; ++i) {
        GraphNode& n = add(graph, types.find("Operator"), true);
        n.inputs[2] = Value::ofFloat(1);  // a + 1
        if (i > 0) link(*graph.nodes[size_t(i) - 1], n, 0, 1);
    }
    return graph;
}

// The same additions handing each result to the next, as the row of nodes does.
[[gnu::noinline]] float plainRow(std::vector<float>& a) {
    for (size_t i = 0; i + 1 < a.size(); ++i) a[i + 1] = a[i] + 1.0f;
    return a.back();
}

// One frame as the frame loop runs it: one context kept from frame to frame, readied for each.
void frame(Graph& graph, ExecutionContext& context) {
    beginFrame(context);
    renderGraph(graph, nullptr, nullptr, context);
}

// A visit's cost is the slope between a frame of the row and a frame of an empty graph, timed
// alike, so that neither the frame's fixed cost nor the clock's own is counted in it.
void BM_OperatorVisit(benchmark::State& state) {
    NodeCatalogue types;
    Graph graph = operatorRow(types), empty;
    ExecutionContext context;
    double graphSeconds = 0, emptySeconds = 0;
    for (auto _ : state) {
        double start = threadSeconds();
        frame(graph, context);
        graphSeconds += threadSeconds() - start;
        start = threadSeconds();
        frame(empty, context);
        emptySeconds += threadSeconds() - start;
    }

    std::vector<float> row(kNodes, 0.0f);
    double start = threadSeconds();
    for (benchmark::IterationCount i = 0; i < state.iterations(); ++i) benchmark::DoNotOptimize(plainRow(row));
    double plainSeconds = threadSeconds() - start;

    const double frames = double(state.iterations());
    const double visitSeconds = (graphSeconds - emptySeconds) / (frames * kNodes);
    state.counters["ns_per_visit"] = visitSeconds * 1e9;
    state.counters["ns_empty_frame_and_clock"] = emptySeconds / frames * 1e9;
    state.counters["ratio_to_plain_loop"] = visitSeconds * frames * kNodes / plainSeconds;
}
BENCHMARK(BM_OperatorVisit)->Unit(benchmark::kMillisecond);

// A show's worth of display-free nodes: value nodes, an event with a float and a text uniform,
// and a subgraph passing a value through its boundary.
struct ValueShow {
    NodeCatalogue types;
    Demo demo;
    Graph root;

    ValueShow() {
        auto event = std::make_unique<Event>();
        event->name = "intro";
        event->type = Event::ValueEvent;
        event->end_beat = 1000;
        UniformDef fade, title;
        fade.name = "fade";
        title.name = "title";
        title.is_string = true;
        event->uniform_defs = {fade, title};
        event->tracks["fade"].points = {{0, 0, {}}, {1000, 1, {}}};
        event->tracks["title"].points = {{0, 0, "a title longer than the short string buffer at <BEAT>"}};
        demo.events.push_back(std::move(event));
        linkEvents(demo.events, types);

        GraphNode& time = add(root, types.find("Time"), true);
        GraphNode& intro = add(root, types.find("intro.event"));
        GraphNode& op = add(root, types.find("Operator"));
        GraphNode& test = add(root, types.find("If"));
        test.inputs[0] = Value::ofInt(4);  // a >= b
        GraphNode& vec3 = add(root, types.find("Vec3"));
        GraphNode& xyz = add(root, types.find("Vec3xyz"));
        GraphNode& convert = add(root, types.find("Convert"));
        GraphNode& constant = add(root, types.find("Constant"));
        GraphNode& ivec2 = add(root, types.find("IVec2"));
        GraphNode& sub = add(root, types.find("Subgraph"));
        sub.subgraph_index = 0;
        sub.input_defs = {inputPin(values::Float, "x")};
        sub.output_defs = {{values::Float, "y"}};
        syncPins(sub);
        link(time, intro, 0, 0);
        link(time, op, 0, 1);
        link(op, test, 0, 1);
        link(op, vec3, 0, 0);
        link(vec3, xyz, 0, 0);
        link(xyz, convert, 0, 1);
        link(convert, ivec2, 0, 0);
        link(op, sub, 0, 0);
        for (auto [from, to] : {std::pair{&intro, &op}, {&op, &test}, {&test, &vec3}, {&vec3, &xyz},
                                {&xyz, &convert}, {&convert, &constant}, {&constant, &ivec2}, {&ivec2, &sub}})
            link(*from, *to);
        root.root = &intro;
        demo.graphs.push_back(std::make_unique<Graph>());
        Graph& inner = *demo.graphs.back();
        GraphNode& in = add(inner, types.find("SubgraphInputs"));
        GraphNode& out = add(inner, types.find("SubgraphOutputs"));
        link(in, out, 0, 0);
        link(in, out);
        inner.root = &in;
    }

    PatchSet patches;
    ExecutionContext context;

    void frame(float beat) {
        patches.clear();
        beginFrame(context);
        context.patchSet = &patches;
        context.beat = beat;
        renderGraph(root, &demo, nullptr, context);
    }
};

void BM_ValueGraphFrame(benchmark::State& state) {
    ValueShow show;
    for (int i = 0; i < 10; ++i) show.frame(float(i));
    long before = bench::allocationCount();
    float beat = 10;
    for (auto _ : state) show.frame(beat += 0.01f);
    state.counters["allocs_per_frame"] =
        benchmark::Counter(double(bench::allocationCount() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ValueGraphFrame);

// Frames with one macro registered and called, through one context as the frame loop keeps it.
void BM_MacroFrame(benchmark::State& state) {
    NodeCatalogue types;
    Graph graph;
    GraphNode& start = add(graph, types.find("Note"));
    GraphNode& macro = add(graph, types.find("Macro"));
    GraphNode& body = add(graph, types.find("Operator"));
    GraphNode& call = add(graph, types.find("CallMacro"));
    macro.inputs[0] = Value::ofString("fade");
    call.inputs[0] = Value::ofString("fade");
    link(start, macro);
    link(start, call);
    link(macro, body);
    graph.root = &start;
    ExecutionContext context;
    frame(graph, context);  // the macro table's entry made once
    long before = bench::allocationCount();
    for (auto _ : state) frame(graph, context);
    state.counters["allocs_per_frame"] =
        benchmark::Counter(double(bench::allocationCount() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MacroFrame);

}  // namespace
