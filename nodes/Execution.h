// Per-frame execution of node graphs: self-activating nodes, then the root's activation chain,
// with values pushed along data links after each node runs.
#pragma once
#include <memory>

#include "graph/ExecutionContext.h"
#include "graph/Graph.h"

namespace Nodes {

// Visits and renders nested deeper than this are skipped: activation cycles, subgraphs that
// render themselves and macros that call themselves would otherwise recurse until the stack ends.
// A plain chain nests one level per node, so the limit leaves room for long chains while a level
// costs well under a kilobyte of stack.
constexpr int kMaxNesting = 4096;
// Node visits in one frame past which the rest are skipped: a node linked back to itself twice
// stays under the nesting limit yet doubles its visits at every level.
constexpr long kMaxVisitsPerFrame = 1L << 20;

// Renders one graph with owner as the context's owner (null for the root graph); the previous
// owner is restored afterwards.
void renderGraph(Graph& graph, Demo* demo, GraphNode* owner, ExecutionContext& context);

// Executes one node, delivers its outputs along its data links, then, unless it stopped the flow,
// visits the targets of its activation links depth first.
void visitNode(GraphNode& node, Demo* demo, ExecutionContext& context);

// Readies a context kept from frame to frame for the next frame: no node running, no nesting, no
// visits and no macro registered, while the macro table keeps its storage.
void beginFrame(ExecutionContext& context);

// The graph rendered before a show is loaded: one new node of the catalogue's first type
// ("Time"), which is also its root.
std::unique_ptr<Graph> makeFallbackRootGraph(NodeCatalogue& catalogue);

}  // namespace Nodes
