// Execute operations of the node types the linking passes make for a show's value events and
// shader patches.
#pragma once
#include "nodes/NodeType.h"

namespace Nodes {

// Outputs the event's uniform values at input "time" and stops the flow outside its window.
void runEventNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
// Adds the patch, with the node's input values, to the frame's patch set.
void runPatchNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

}  // namespace Nodes
