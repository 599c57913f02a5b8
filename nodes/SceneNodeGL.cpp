// The node of a type named after a scene: draws the scene once with a private, patchable copy of
// the program its "shader" input picks, through the camera its inputs adjust.
#include <GL/glew.h>

#include "show/Demo.h"
#include "nodes/GeneratedItem.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"
#include "nodes/ProgramCopyGL.h"
#include "scene/SceneCamera.h"
#include "scene/SceneGL.h"
#include "shaders/PatchSplicingGL.h"

namespace Nodes {
namespace {

enum Slot { kScene, kVertexMemo, kFragmentMemo, kCopy, kShaderIndex, kCountMemo };
enum Input { kShader, kPosition, kDirection, kUp, kFov, kLightDirection };
constexpr int kFirstPatchUnit = 8;  // below are the program's scene units

void overwrite(glm::vec3& field, const values::MaybeValue& input) {
    if (input.hasValue) field = {input.value.floatAt(0), input.value.floatAt(1), input.value.floatAt(2)};
}

void steerCamera(Camera& camera, const ValueList& inputs) {
    overwrite(camera.position, inputs[kPosition]);
    overwrite(camera.direction, inputs[kDirection]);
    overwrite(camera.up, inputs[kUp]);
    if (inputs[kFov].hasValue) camera.fov = inputs[kFov].value.asFloat();
    overwrite(camera.light_direction, inputs[kLightDirection]);
}

// The copy is rebuilt only when the chosen program changes.
ShaderProgram* programFor(ValueList& state, const ShaderProgram& source, int32_t index) {
    values::MaybeValue& kept = state[kShaderIndex];
    if (!kept.hasValue || kept.value.asInt() != index || !referenced<ShaderProgram>(state[kCopy])) {
        kept = values::Value::ofInt(index);
        replaceOwned(state[kCopy], privateCopy(source));
    }
    return referenced<ShaderProgram>(state[kCopy]);
}

}  // namespace

void executeSceneNode(ValueList& inputs, ValueList&, ValueList& state, ExecutionContext& context) {
    if (!context.demo || inputs.size() <= kLightDirection || state.size() <= kCountMemo) return;
    Scene* scene = itemOf(context, state, context.demo->scenes, ".scene");
    const ShaderProgram* source = itemAt(context.demo->shaders, inputs[kShader]);
    if (!scene || !source) return;
    ShaderProgram* program = programFor(state, *source, inputs[kShader].value.asInt());
    applyPatchSet(*source, *program, context.patchSet, state[kVertexMemo], state[kFragmentMemo], state[kCountMemo]);
    if (!program->linked) return;  // it would leave the previous program drawing the scene

    glUseProgram(program->program);
    program->setStandardUniforms();
    if (context.patchSet) uploadPatchInputs(*program, *context.patchSet, kFirstPatchUnit);
    if (Camera* camera = scene::activeCamera(*scene)) steerCamera(*camera, inputs);
    const GLboolean blend = glIsEnabled(GL_BLEND);
    scene::render(*scene, *program);

    glUseProgram(0);
    glDisable(GL_DEPTH_TEST);
    blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glBindVertexArray(0);
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

}  // namespace Nodes
