#include <GL/glew.h>

#include "show/Demo.h"
#include "content/Json.h"
#include "graph/ExecutionContext.h"
#include "nodes/NodeDrawingGL.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"
#include "nodes/ProgramCopyGL.h"
#include "frame/Runtime.h"
#include "shaders/PatchSplicingGL.h"

namespace Nodes {
namespace {

using values::MaybeValue;
using values::Value;

// State slots of a shader program node.
enum Slot {
    kQuad, kScreenTexture, kScreenBuffer, kSource, kFrameBuffer, kTargetSize, kTargetTexture,
    kVertexMemo, kFragmentMemo, kCopy, kCountMemo,
};
// Inputs before the program's own uniforms.
enum Input { kSizeInput, kTexInput, kInternalInput, kFirstUniformInput };

// The program is the show's first one whose fragment file names the node's type.
void adoptProgram(ValueList& state, const ExecutionContext& context) {
    if (!context.demo || !context.current || !context.current->def) return;
    const std::string& typeName = context.current->def->name;
    for (const auto& program : context.demo->shaders) {
        if (program && program->fragmentFilename == typeName) {
            replaceOwned(state[kCopy], privateCopy(*program));
            refer(state[kSource], program.get());
            return;
        }
    }
}

// Uniform inputs follow the fixed ones in the order of the program's definitions.
int setUniformInputs(const ShaderProgram& program, const ValueList& inputs, int unit) {
    for (size_t k = 0; k < program.uniformDefs.size(); ++k) {
        const size_t i = k + kFirstUniformInput;
        if (i >= inputs.size() || !inputs[i].hasValue) continue;
        const UniformDef& def = program.uniformDefs[k];
        if (def.name.starts_with("tex"))
            unit = bindSampler(def.location, glNameOf(inputs[i]), unit);
        else
            glUniform1f(def.location, inputs[i].value.asFloat());
    }
    return unit;
}

// Made, resized and bound before any input texture is bound, so that making it cannot displace one.
void bindInternalTarget(ValueList& state, const MaybeValue& sizeInput) {
    const Size size = sizeOrRenderSize(sizeInput);
    if (!state[kTargetTexture].hasValue)
        state[kTargetTexture] = Value::ofName(values::Texture, createTargetTexture(false, size));
    else if (sizeIn(state[kTargetSize]) != size)
        resizeTargetTexture(glNameOf(state[kTargetTexture]), false, size);
    state[kTargetSize] = sizeValue(size);
    if (!state[kFrameBuffer].hasValue)
        state[kFrameBuffer] = Value::ofName(values::VertexArray,
                                            createFrameBuffer(glNameOf(state[kTargetTexture]), GL_COLOR_ATTACHMENT0));
    else
        glBindFramebuffer(GL_FRAMEBUFFER, glNameOf(state[kFrameBuffer]));
}

void drawInternal(ValueList& state, MaybeValue& output) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScreenQuad();
    glBindTexture(GL_TEXTURE_2D, glNameOf(state[kTargetTexture]));
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    output = state[kTargetTexture];
}

// Reading the screen back costs a stall, so only a node whose texture goes somewhere pays it.
bool textureIsUsed(const GraphNode* node) {
    if (!node) return false;
    for (const Connection& c : node->connections)
        if (c.isDataLink() && c.src_output_idx == 0 && c.dst) return true;
    return false;
}

}  // namespace

void executeShaderProgramNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context) {
    const RenderSize remembered = renderSize;
    if (!state[kSource].hasValue) adoptProgram(state, context);
    const ShaderProgram* source = referenced<ShaderProgram>(state[kSource]);
    ShaderProgram* copy = referenced<ShaderProgram>(state[kCopy]);
    if (!source || !copy) return;

    bindScreenQuad(state[kQuad]);
    applyPatchSet(*source, *copy, context.patchSet, state[kVertexMemo], state[kFragmentMemo], state[kCountMemo]);
    if (!copy->linked) return;  // drawing would leave the previous program drawing in its place
    const bool internal = inputs[kInternalInput].hasValue && inputs[kInternalInput].value.asBool();
    if (internal) bindInternalTarget(state, inputs[kSizeInput]);
    useProgram(*copy, inputs[kSizeInput], inputs[kTexInput]);
    int unit = setUniformInputs(*copy, inputs, inputs[kTexInput].hasValue ? 1 : 0);
    if (context.patchSet) uploadPatchInputs(*copy, *context.patchSet, unit);

    if (internal) {
        drawInternal(state, outputs[0]);
    } else {
        drawScreenQuad();
        if (textureIsUsed(context.current))
            copyScreenToTexture(state[kScreenTexture], state[kScreenBuffer], inputs[kSizeInput], outputs[0]);
    }
    renderSize = remembered;
    if (sizeInput(inputs[kSizeInput])) glViewport(0, 0, renderSize.width, renderSize.height);
}

}  // namespace Nodes
