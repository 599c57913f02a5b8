// Execute operations of the built-in types that compute values without drawing.
#pragma once
#include <string>
#include <vector>

#include "graph/NodeType.h"

namespace Nodes {

void runTime(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runOperator(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runIf(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runConstant(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runConvert(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runVec3(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runVec3xyz(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runIVec2(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runNote(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void runClearPatches(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

// The labels of the "op" values of "Operator" and the "compare" values of "If", by value.
std::vector<std::string> operatorLabels();
std::vector<std::string> comparisonLabels();

// Float to int toward zero; NaN gives 0 and values beyond the int range the nearest end.
int32_t truncateToInt(float v);

}  // namespace Nodes
