#include "nodes/GeneratedNodes.h"

#include <string_view>

#include "show/Demo.h"
#include "content/Registry.h"
#include "graph/ExecutionContext.h"
#include "nodes/GeneratedItem.h"
#include "scripting/ScriptEngine.h"
#include "shaders/PatchSplicing.h"

namespace Nodes {
namespace {

void evaluateUniforms(const Event& event, float x, ValueList& outputs, float frameBeat) {
    for (size_t i = 0; i < event.uniform_defs.size() && i < outputs.size(); ++i) {
        const UniformDef& uniform = event.uniform_defs[i];
        const Track* track = event.findTrack(uniform.name);
        values::MaybeValue& out = outputs[i];
        if (!uniform.is_string) {
            out = values::Value::ofFloat(event.evaluate(track, x));
            continue;
        }
        if (!out.hasValue || out.value.type != values::String) out = values::Value::ofString({});
        event.evaluateText(track, x, frameBeat, -1, out.value.text);  // reuses the text's storage
    }
}

}  // namespace

void runEventNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context) {
    if (!context.demo) return;
    const Event* event = itemOf(context, state, context.demo->events, ".event");
    if (!event) return;
    GraphNode& node = *context.current;
    node.stopFlow = !event->visible;
    if (!event->visible || !inputs[0].hasValue) return;
    float x = inputs[0].value.asFloat();
    node.stopFlow = !(event->start_beat <= x && x < event->end_beat);
    if (!node.stopFlow) evaluateUniforms(*event, x, outputs, context.beat);
}

void runPatchNode(ValueList& inputs, ValueList&, ValueList& state, ExecutionContext& context) {
    if (!context.demo || !context.patchSet) return;
    if (const ShaderPatch* patch = itemOf(context, state, context.demo->patches, ".patch"))
        addToPatchSet(*context.patchSet, *patch, inputs);
}

// Compiles when the source differs from the copy this node last compiled (so a failed compile is
// not retried for an unchanged source), then runs.
void runScriptNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context) {
    if (!context.demo) return;
    Script* script = itemOf(context, state, context.demo->scripts, ".script");
    if (!script) return;
    scripting::ScriptEngine& engine = scripting::ScriptEngine::instance();
    values::MaybeValue& compiledSource = state[1];
    if (!compiledSource.hasValue || compiledSource.value.text != script->source) {
        engine.compile(*script);
        compiledSource = values::Value::ofString(script->source);
    }
    engine.run(*script, inputs, outputs);
}

}  // namespace Nodes
