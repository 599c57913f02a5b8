#include "nodes/Execution.h"

#include <cstdio>

namespace Nodes {
namespace {

// Enters one nesting level, or reports (once per process) that content nests too deep.
bool enter(ExecutionContext& context) {
    if (context.depth >= kMaxNesting) {
        static bool warned = false;
        if (!warned) std::printf("WARNING: graph nesting deeper than %d levels skipped\n", kMaxNesting);
        warned = true;
        return false;
    }
    ++context.depth;
    return true;
}

bool withinVisitBudget(ExecutionContext& context) {
    if (++context.visits <= kMaxVisitsPerFrame) return true;
    static bool warned = false;
    if (!warned) std::printf("WARNING: more than %ld node visits in one frame; the rest are skipped\n", kMaxVisitsPerFrame);
    warned = true;
    return false;
}

bool within(int32_t index, size_t count) { return index >= 0 && size_t(index) < count; }

void deliverOutputs(GraphNode& node) {
    for (const Connection& c : node.connections) {
        if (!c.isDataLink() || !c.dst) continue;
        if (!within(c.src_output_idx, node.outputValues.size()) || !within(c.dst_input_idx, c.dst->inputs.size()))
            continue;
        const values::MaybeValue& value = node.outputValues[size_t(c.src_output_idx)];
        if (value.hasValue) c.dst->inputs[size_t(c.dst_input_idx)] = value;
    }
}

// By index: a successor revisiting this node may synchronise its pins and drop links meanwhile.
void followActivation(GraphNode& node, Demo* demo, ExecutionContext& context) {
    for (size_t i = 0; i < node.connections.size(); ++i) {
        const Connection& c = node.connections[i];
        if (!c.isDataLink() && c.dst) visitNode(*c.dst, demo, context);
    }
}

}  // namespace

void renderGraph(Graph& graph, Demo* demo, GraphNode* owner, ExecutionContext& context) {
    if (!enter(context)) return;
    GraphNode* previousOwner = context.owner;
    context.owner = owner;
    context.demo = demo;
    for (auto& node : graph.nodes)
        if (node->selfActivating) visitNode(*node, demo, context);
    if (graph.root) visitNode(*graph.root, demo, context);
    context.owner = previousOwner;
    --context.depth;
}

// A node of an unknown type has nothing to run and no outputs of its own to deliver, but the
// chain behind it still runs.
void visitNode(GraphNode& node, Demo* demo, ExecutionContext& context) {
    if (!withinVisitBudget(context) || !enter(context)) return;
    GraphNode* previous = context.current;
    syncPins(node, &context);
    context.current = &node;
    if (node.def) {
        if (node.def->execute) node.def->execute(node.inputs, node.outputValues, node.state, context);
        deliverOutputs(node);
    }
    if (!node.stopFlow) followActivation(node, demo, context);
    context.current = previous;
    --context.depth;
}

void beginFrame(ExecutionContext& context) {
    context.current = nullptr;
    context.owner = nullptr;
    context.depth = 0;
    context.visits = 0;
    for (auto& macro : context.macros) macro.second = nullptr;
}

std::unique_ptr<Graph> makeFallbackRootGraph(NodeCatalogue& catalogue) {
    auto graph = std::make_unique<Graph>();
    graph->nodes.push_back(std::make_unique<GraphNode>(&catalogue[0]));
    graph->root = graph->nodes.front().get();
    return graph;
}

}  // namespace Nodes
