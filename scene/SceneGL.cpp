#include "scene/SceneGL.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "scene/Animation.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/SceneCamera.h"
#include "scene/SceneUniforms.h"
#include "shaders/ShaderProgram.h"

namespace scene {

int32_t shadowMapRequestedSize = 8192;

namespace {

constexpr int kSoundUnit = 16;  // the sound texture's unit, never a scene's

struct SharedShadowMap {
    GLuint texture = 0, frameBuffer = 0;
    int32_t size = 0;
    const Scene* owner = nullptr;  // whose shadows the map holds
    GLuint none = 0;               // a 1 x 1 map at the far plane: no shadows anywhere
    SDL_GLContext context = nullptr;  // the context the objects above belong to
} shared;

// GL objects belong to the context that made them. Under another one (a benchmark's, a test's or
// a recording's own) the map is made anew there; the old names are left to their context, where
// they may name nothing or something else.
void followContext() {
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    if (shared.context == current) return;
    shared = SharedShadowMap{};
    shared.context = current;
}

}  // namespace

int32_t shadowMapSize() {
    GLint texture = 0, renderBuffer = 0, viewport[2] = {};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderBuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return std::max(1, std::min({shadowMapRequestedSize, texture, renderBuffer, viewport[0], viewport[1]}));
}

namespace {

void makeShadowMap(int32_t size) {
    glDeleteFramebuffers(1, &shared.frameBuffer);
    glDeleteTextures(1, &shared.texture);
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glGenTextures(1, &shared.texture);
    glBindTexture(GL_TEXTURE_2D, shared.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &shared.frameBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, shared.frameBuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, shared.texture, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) std::printf("FB Error! Status: 0x%x\n", status);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    shared.size = size;
}

// The GL state a model render changes and render() puts back.
struct SavedState {
    GLboolean depthTest, blend, cull, depthMask;
    GLint blend_src_rgb, blend_dst_rgb, blend_src_alpha, blend_dst_alpha;

    SavedState() {
        depthTest = glIsEnabled(GL_DEPTH_TEST);
        blend = glIsEnabled(GL_BLEND);
        cull = glIsEnabled(GL_CULL_FACE);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        glGetIntegerv(GL_BLEND_SRC_RGB, &blend_src_rgb);
        glGetIntegerv(GL_BLEND_DST_RGB, &blend_dst_rgb);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend_src_alpha);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &blend_dst_alpha);
    }
    ~SavedState() {
        setEnabled(GL_DEPTH_TEST, depthTest);
        setEnabled(GL_BLEND, blend);
        setEnabled(GL_CULL_FACE, cull);
        glDepthMask(depthMask);
        glBlendFuncSeparate(blend_src_rgb, blend_dst_rgb, blend_src_alpha, blend_dst_alpha);
        glBindVertexArray(0);
    }
    static void setEnabled(GLenum cap, GLboolean on) { on ? glEnable(cap) : glDisable(cap); }
};

GLuint noShadows() {
    followContext();
    if (shared.none != 0) return shared.none;
    const float far = 1.0f;
    glGenTextures(1, &shared.none);
    glBindTexture(GL_TEXTURE_2D, shared.none);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, 1, 1, 0, GL_DEPTH_COMPONENT, GL_FLOAT, &far);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return shared.none;
}

// The map while it holds this scene's shadows; otherwise none. Nothing while drawing into it:
// sampling the depth attachment would be a feedback loop.
GLuint shadowsOf(const Scene& scene) {
    if (scene.shadow_pass) return 0;
    return shared.owner == &scene && scene.shadow_texture == shared.texture ? shared.texture : noShadows();
}

int maxTextureUnits() {
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    return units;
}

}  // namespace

void ensureShadowMap(Scene& scene) {
    followContext();
    const int32_t size = shadowMapSize();
    if (shared.size != size) makeShadowMap(size);
    shared.owner = &scene;
    scene.shadow_texture = shared.texture;
    scene.shadow_framebuffer = shared.frameBuffer;
    scene.shadow_width = scene.shadow_height = size;
}

int sceneUnitsEnd(int unit) {
    for (int i = 0; i < kSceneUnitCount; ++i, ++unit)
        if (unit == kSoundUnit) ++unit;
    return unit;
}

void render(Scene& scene, ShaderProgram& program) {
    if (!scene.root_node || !activeCamera(scene)) return;
    SavedState saved;
    glEnable(GL_DEPTH_TEST);
    const GLenum shadowUnit = program.sceneTextureUnits[kShadowUnit];
    const GLuint shadows = shadowsOf(scene);
    glActiveTexture(shadowUnit);
    glBindTexture(GL_TEXTURE_2D, shadows);
    if (const GLint at = program.sceneLocations[uShadowMapTexture]; at != -1) glUniform1i(at, GLint(shadowUnit - GL_TEXTURE0));
    glActiveTexture(GL_TEXTURE0);
    Model* model = scene.root_node->model;
    if (!model || !model->ready) return;
    if (model->joint_matrix_buffer != 0 && program.matricesBlock != GL_INVALID_INDEX) {
        // Several skinned models share binding point 0, so this model's buffer goes back on it.
        glUniformBlockBinding(program.program, program.matricesBlock, 0);
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, model->joint_matrix_buffer);
    }
    renderModel(*model, scene, program, 0);
}

int bindSceneUnits(Scene& scene, ShaderProgram& program, int unit) {
    if (sceneUnitsEnd(unit) > maxTextureUnits()) return -1;
    const TextureUnit order[kSceneUnitCount] = {kShadowUnit,   kBaseColourUnit, kMetallicRoughnessUnit,
                                                kEmissiveUnit, kNormalUnit,     kOcclusionUnit};
    for (int i = 0; i < kSceneUnitCount; ++i, ++unit) {
        if (unit == kSoundUnit) ++unit;
        const GLenum u = GL_TEXTURE0 + GLenum(unit);
        program.sceneTextureUnits[order[i]] = u;
        glActiveTexture(u);
        glBindTexture(GL_TEXTURE_2D, order[i] == kShadowUnit ? shadowsOf(scene) : 0);
    }
    Model* model = scene.root_node ? scene.root_node->model : nullptr;
    if (model && model->ready && model->skeleton && !model->skeleton->joint_matrices.empty())
        Animation::uploadJointMatrices(*model);
    return unit;
}

}  // namespace scene
