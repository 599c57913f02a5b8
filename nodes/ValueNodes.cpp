#include "nodes/ValueNodes.h"

#include <algorithm>
#include <cmath>

#include "graph/ExecutionContext.h"
#include "graph/Graph.h"
#include "shaders/ShaderPatch.h"

namespace Nodes {
namespace {

using values::Value;

float floatAt(const ValueList& inputs, size_t i) { return inputs[i].value.asFloat(); }

float clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

struct Operation {
    const char* label;  // as the authoring tool's options list it
    float (*apply)(float a, float b, float c);
    bool dividesByB;  // B == 0 stops the flow instead
};

// Indexed by the "op" input; the options of the authoring tool list the same order.
const Operation kOperations[] = {
    {"a + b", [](float a, float b, float) { return a + b; }, false},
    {"a - b", [](float a, float b, float) { return a - b; }, false},
    {"a * b", [](float a, float b, float) { return a * b; }, false},
    {"a / b", [](float a, float b, float) { return a / b; }, true},
    {"mod(a, b)", [](float a, float b, float) { return a - std::floor(a / b) * b; }, false},
    {"abs(a)", [](float a, float, float) { return std::abs(a); }, false},
    {"fract(a)", [](float a, float, float) { return a - std::floor(a); }, false},
    {"step(a, b)", [](float a, float b, float) { return a > b ? 0.0f : 1.0f; }, false},
    {"smoothstep(a, b, c)", [](float a, float b, float c) {
         float t = clamp01((c - a) / (b - a));
         return t * t * (3.0f - 2.0f * t);
     },
     false},
    {"mix(a, b, c)", [](float a, float b, float c) { return (1.0f - c) * a + c * b; }, false},
    {"clamp(a, b, c)", [](float a, float b, float c) { return std::min(std::max(a, b), c); }, false},
    {"a / b * c", [](float a, float b, float c) { return c * a / b; }, true},
    {"floor(a)", [](float a, float, float) { return std::floor(a); }, false},
    {"ceil(a)", [](float a, float, float) { return std::ceil(a); }, false},
    {"round(a)", [](float a, float, float) { return std::round(a); }, false},
    {"sin(a)", [](float a, float, float) { return std::sin(a); }, false},
    {"cos(a)", [](float a, float, float) { return std::cos(a); }, false},
    {".5 + .5 * sin(a)", [](float a, float, float) { return 0.5f + 0.5f * std::sin(a); }, false},
};

struct Comparison {
    const char* label;
    bool (*holds)(float a, float b, bool c);
};

// Indexed by the "compare" input.
const Comparison kComparisons[] = {
    {"a == b", [](float a, float b, bool) { return a == b; }},
    {"a != b", [](float a, float b, bool) { return a != b; }},
    {"a > b", [](float a, float b, bool) { return a > b; }},
    {"a < b", [](float a, float b, bool) { return a < b; }},
    {"a >= b", [](float a, float b, bool) { return a >= b; }},
    {"a <= b", [](float a, float b, bool) { return a <= b; }},
    {"a == 0", [](float a, float, bool) { return a == 0.0f; }},
    {"!c", [](float, float, bool c) { return !c; }},
};

template <class Table>
const auto* entry(const Table& table, int32_t index) {
    return index >= 0 && size_t(index) < std::size(table) ? &table[index] : nullptr;
}

}  // namespace

std::vector<std::string> operatorLabels() {
    std::vector<std::string> labels;
    for (const Operation& op : kOperations) labels.push_back(op.label);
    return labels;
}

std::vector<std::string> comparisonLabels() {
    std::vector<std::string> labels;
    for (const Comparison& c : kComparisons) labels.push_back(c.label);
    return labels;
}

int32_t truncateToInt(float v) {
    if (std::isnan(v)) return 0;
    if (v <= -2147483648.0f) return INT32_MIN;
    if (v >= 2147483648.0f) return INT32_MAX;
    return int32_t(v);
}

void runTime(ValueList&, ValueList& outputs, ValueList&, ExecutionContext& context) {
    float beat = context.beat;
    float fraction = beat - std::trunc(beat);
    outputs[0] = Value::ofFloat(beat);
    outputs[1] = Value::ofFloat(fraction);
    outputs[2] = Value::ofFloat(1.0f - fraction);
}

void runOperator(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext& context) {
    GraphNode& node = *context.current;
    node.stopFlow = false;
    const Operation* op = entry(kOperations, inputs[0].value.asInt());
    if (!op) return;
    float a = floatAt(inputs, 1), b = floatAt(inputs, 2), c = floatAt(inputs, 3);
    if (op->dividesByB && b == 0.0f) {
        node.stopFlow = true;
        return;
    }
    outputs[0] = Value::ofFloat(op->apply(a, b, c));
}

void runIf(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext& context) {
    const Comparison* compare = entry(kComparisons, inputs[0].value.asInt());
    bool flag = compare && compare->holds(floatAt(inputs, 1), floatAt(inputs, 2), inputs[3].value.asBool());
    outputs[0] = Value::ofBool(flag);
    context.current->stopFlow = !flag;
}

void runConstant(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    for (size_t i = 0; i < std::min(inputs.size(), outputs.size()); ++i)
        if (inputs[i].hasValue) outputs[i] = inputs[i];
}

void runConvert(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    if (inputs[0].hasValue) outputs[1] = Value::ofFloat(float(inputs[0].value.asInt()));
    if (inputs[1].hasValue) outputs[0] = Value::ofInt(truncateToInt(inputs[1].value.asFloat()));
}

void runVec3(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    const float v[3] = {floatAt(inputs, 0), floatAt(inputs, 1), floatAt(inputs, 2)};
    outputs[0] = Value::ofFloats(values::Vec3, v, 3);
}

void runVec3xyz(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    for (int i = 0; i < 3; ++i) outputs[size_t(i)] = Value::ofFloat(inputs[0].value.floatAt(i));
}

void runIVec2(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    const int32_t v[2] = {inputs[0].value.asInt(), inputs[1].value.asInt()};
    outputs[0] = Value::ofInts(values::IVec2, v, 2);
}

void runNote(ValueList&, ValueList&, ValueList&, ExecutionContext&) {}

void runClearPatches(ValueList&, ValueList&, ValueList&, ExecutionContext& context) {
    if (context.patchSet) context.patchSet->clear();
}

}  // namespace Nodes
