#include "nodes/SubgraphNodes.h"

#include "show/Demo.h"
#include "nodes/Execution.h"

namespace Nodes {

void runSubgraph(ValueList&, ValueList&, ValueList&, ExecutionContext& context) {
    GraphNode& node = *context.current;
    Demo* demo = context.demo;
    if (!demo || node.subgraph_index < 0 || size_t(node.subgraph_index) >= demo->graphs.size()) return;
    renderGraph(*demo->graphs[size_t(node.subgraph_index)], demo, &node, context);
}

void runSubgraphInputs(ValueList&, ValueList& outputs, ValueList&, ExecutionContext& context) {
    if (!context.owner) return;
    const ValueList& given = context.owner->inputs;
    for (size_t j = 0; j < given.size() && j < outputs.size(); ++j)
        if (given[j].hasValue) outputs[j] = given[j];
}

void runSubgraphOutputs(ValueList& inputs, ValueList&, ValueList&, ExecutionContext& context) {
    if (!context.owner) return;
    ValueList& handed = context.owner->outputValues;
    for (size_t i = 0; i < inputs.size() && i < handed.size(); ++i) handed[i] = inputs[i];
}

// Slot 0 is true only while a "CallMacro" runs this node; otherwise the node registers and
// holds its chain back until called.
void runMacro(ValueList& inputs, ValueList&, ValueList& state, ExecutionContext& context) {
    GraphNode& node = *context.current;
    if (state[0].value.asBool()) {
        node.stopFlow = false;
        return;
    }
    context.macros[inputs[0].value.text] = &node;
    node.stopFlow = true;
}

void runCallMacro(ValueList& inputs, ValueList&, ValueList&, ExecutionContext& context) {
    auto found = context.macros.find(inputs[0].value.text);
    if (found == context.macros.end() || !found->second) return;
    GraphNode& macro = *found->second;
    macro.state[0] = values::Value::ofBool(true);
    visitNode(macro, context.demo, context);
    macro.state[0] = values::Value::ofBool(false);
}

}  // namespace Nodes
