#include "show/Demo.h"
#include "graph/ExecutionContext.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"
#include "scene/Animation.h"
#include "scene/Model.h"

namespace Nodes {
namespace {

float floatOr(const values::MaybeValue& input, float fallback) { return input.hasValue ? input.value.asFloat() : fallback; }

}  // namespace

// Inputs: model, index, position, divider, start, end.
void executeAnimation(ValueList& inputs, ValueList&, ValueList&, ExecutionContext& context) {
    Model* model = context.demo ? itemAt(context.demo->models, inputs[0]) : nullptr;
    if (!model || !model->animated) return;
    const int32_t index = inputs[1].hasValue ? inputs[1].value.asInt() : 0;
    const float phase = Animation::nodePhase(floatOr(inputs[2], 0.0f), floatOr(inputs[3], 1.0f),
                                             floatOr(inputs[4], 0.0f), floatOr(inputs[5], 1.0f));
    Animation::pose(*model, index, phase);
    Animation::uploadJointMatrices(*model);
}

// Inputs: model, instances, skipMaterials, setInstances, setSkipMaterials.
void executeModelOptions(ValueList& inputs, ValueList&, ValueList&, ExecutionContext& context) {
    Model* model = context.demo ? itemAt(context.demo->models, inputs[0]) : nullptr;
    if (!model) return;
    if (inputs[3].hasValue && inputs[3].value.asBool())
        modelInstanceCount = inputs[1].hasValue ? inputs[1].value.asInt() : 1;
    if (inputs[4].hasValue && inputs[4].value.asBool() && inputs[2].hasValue)
        model->skipMaterials = inputs[2].value.asBool();
}

}  // namespace Nodes
