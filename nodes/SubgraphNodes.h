// Execute operations of the types that nest graphs and chains: subgraphs with their boundary
// nodes, and macros.
#pragma once
#include "graph/NodeType.h"

namespace Nodes {

void runSubgraph(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runSubgraphInputs(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runSubgraphOutputs(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runMacro(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runCallMacro(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

}  // namespace Nodes
