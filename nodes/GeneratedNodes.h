// Execute operations of the node types the linking passes make for a show's value events, shader
// patches and scripts.
#pragma once
#include "graph/NodeType.h"

namespace Nodes {

// Outputs the event's uniform values at input "time" and stops the flow outside its window.
void runEventNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
// Adds the patch, with the node's input values, to the frame's patch set.
void runPatchNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
// Runs the script with the node's inputs, compiling it first when its source changed.
void runScriptNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

}  // namespace Nodes
