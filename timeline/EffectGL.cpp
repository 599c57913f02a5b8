#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "frame/Runtime.h"
#include "scene/Scene.h"
#include "scene/SceneGL.h"
#include "scene/SceneUniforms.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"

namespace {

// Two triangles covering the viewport.
constexpr float kQuad[18] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, 1, 0, 1, -1, 0, -1, -1, 0};

void setRenderViewport() { glViewport(0, 0, renderSize.width, renderSize.height); }

// Samplers tex .. tex15 are units 0 to 15; unit 16 holds the sound texture.
constexpr int kInputUnits = 16;

// Every input keeps its unit even when it is missing (bound to texture 0, which samples as
// black), so the samplers after it still see the inputs the shader was written for. Entries past
// the last unit are left out and named, so that the sound texture's unit is never taken.
struct UnitBinder {
    int unit = 0;
    std::string dropped;

    bool claim(const char* kind, size_t index) {
        if (unit < kInputUnits) return true;
        dropped += (dropped.empty() ? "" : ", ") + std::string(kind) + " " + std::to_string(index);
        return false;
    }
    void bind(const char* kind, size_t index, GLuint texture) {
        if (!claim(kind, index)) return;
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, texture);
        ++unit;
    }
};

// Scene units may lie past the inputs' 16; the sound texture's unit among them stays bound.
void unbindUnits(int count) {
    for (int unit = 0; unit < count; ++unit) {
        if (unit == kInputUnits) continue;
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

// One level only: the input draws without re-rendering its own inputs. An input without a frame
// buffer is skipped, as binding name 0 would clear the screen instead.
void renderIntoOwnTarget(Effect& input) {
    if (input.frameBuffer == 0) return;
    glBindFramebuffer(GL_FRAMEBUFFER, input.frameBuffer);
    setRenderViewport();
    glClear(GL_COLOR_BUFFER_BIT);
    input.render({}, false);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    setRenderViewport();
}

// Reads the back buffer into the capture texture, bound on the active unit.
void copyScreen(Effect& effect) {
    effect.ensureCapture();
    PixelBuffer& buffer = *effect.capture;
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, buffer.width, buffer.height, GL_RGBA, GL_UNSIGNED_BYTE, buffer.pixels.data());
    glBindTexture(GL_TEXTURE_2D, effect.captureTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, buffer.width, buffer.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 buffer.pixels.data());
}

// One pass of a scene effect: inputs, standard uniforms, the pass flag, the callback (where an
// event steers the scene), then the scene. The shadow pass draws through the light camera.
void drawScenePass(Effect& effect, DrawCallback callback, bool renderInputs, bool shadowPass) {
    ShaderProgram& program = *effect.program;
    const int units = effect.bindInputs(program, renderInputs);
    program.setStandardUniforms();
    if (const GLint at = program.sceneLocations[scene::uIsShadowRenderPass]; at != -1) glUniform1i(at, shadowPass);
    if (callback) callback();
    effect.scene->shadow_pass = shadowPass;
    if (effect.sceneUnitsFit) scene::render(*effect.scene, program);
    effect.scene->shadow_pass = false;
    unbindUnits(units);
}

// The inputs first: a scene effect among them draws its own shadow pass into the shared shadow
// map, which must hold this scene's shadows when the main pass samples it. Then the shadow map,
// then the main pass into the frame buffer and viewport that were current, so that a scene
// effect drawn as another effect's input lands in its own target too.
void renderScene(Effect& effect, DrawCallback callback, bool renderInputs) {
    if (renderInputs) {
        for (Effect* input : effect.effects)
            if (input) renderIntoOwnTarget(*input);
    }
    Scene& scene = *effect.scene;
    GLint target = 0, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &target);
    glGetIntegerv(GL_VIEWPORT, viewport);
    scene::ensureShadowMap(scene);
    glBindFramebuffer(GL_FRAMEBUFFER, scene.shadow_framebuffer);
    glViewport(0, 0, scene.shadow_width, scene.shadow_height);
    glDepthMask(GL_TRUE);  // a clear obeys the write mask
    glClear(GL_DEPTH_BUFFER_BIT);
    drawScenePass(effect, callback, false, true);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(target));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    drawScenePass(effect, callback, false, false);
}

}  // namespace

Effect::Effect(std::string name, ShaderProgram* program, Texture* texture, Effect* input, bool feedback,
               bool screenTexture, Scene* scene)
    : program(program), scene(scene), name(std::move(name)), feedback(feedback), screen_texture(screenTexture) {
    if (texture) textures.push_back(texture);
    if (input) effects.push_back(input);
    if (program) createTargets();
}

// Runs again when programs are recompiled after loading; the earlier objects are released. The
// frame buffer is made even without a program, so that effects sampling this one read a valid
// (cleared) texture rather than having it bind the default frame buffer.
void Effect::createTargets() {
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(1, &quadBuffer);
    glDeleteFramebuffers(1, &frameBuffer);
    glDeleteTextures(1, &frameBufferTexture);

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &quadBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, quadBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof kQuad, kQuad, GL_STATIC_DRAW);
    GLuint position = program ? program->positionAttribute : 0;
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);

    glGenFramebuffers(1, &frameBuffer);
    glGenTextures(1, &frameBufferTexture);
    glBindTexture(GL_TEXTURE_2D, frameBufferTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, renderSize.width, renderSize.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, frameBufferTexture, 0);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &drawBuffer);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) std::printf("FB Error! Status: 0x%x\n", status);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Units in order: feedback capture, textures, font textures, input effects, screen copy.
int Effect::bindInputs(ShaderProgram& drawProgram, bool renderInputs) {
    if (renderInputs) {
        for (Effect* input : effects) {
            if (input) renderIntoOwnTarget(*input);
        }
    }
    glUseProgram(drawProgram.program);
    UnitBinder units;
    if (feedback) {
        glActiveTexture(GL_TEXTURE0);
        ensureCapture();
        units.bind("feedback", 0, captureTexture);
    }
    for (size_t i = 0; i < textures.size(); ++i) units.bind("texture", i, textures[i] ? textures[i]->glName : 0);
    for (size_t i = 0; i < fontTextures.size(); ++i)
        units.bind("font texture", i, fontTextures[i] ? fontTextures[i]->glName : 0);
    for (size_t i = 0; i < effects.size(); ++i)
        units.bind("input effect", i, effects[i] ? effects[i]->frameBufferTexture : 0);
    if (screen_texture) {
        // The unit is chosen before the copy, so that making the capture texture cannot
        // displace the input bound last. Without a unit the copy is left out, not the clear.
        if (units.claim("screen copy", 0)) {
            glActiveTexture(GL_TEXTURE0 + units.unit++);
            copyScreen(*this);
        }
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    if (scene) {
        const int next = scene::bindSceneUnits(*scene, drawProgram, units.unit);
        sceneUnitsFit = next >= 0;
        if (sceneUnitsFit) units.unit = next;
    }
    if (!units.dropped.empty() && !unitsWarned) {
        std::fprintf(stderr, "Effect %s has more inputs than %d texture units; not bound: %s\n", name.c_str(),
                     kInputUnits, units.dropped.c_str());
        unitsWarned = true;
    }
    if (!sceneUnitsFit && !sceneUnitsWarned) {
        std::fprintf(stderr, "Effect %s: its scene's texture units go past the last one the GL offers; not drawn\n",
                     name.c_str());
        sceneUnitsWarned = true;
    }
    return units.unit;
}

// Draws into whatever frame buffer is bound, which is how inputs land in their own targets. A
// program that did not link draws nothing: using it would leave the previous program bound.
void Effect::render(DrawCallback callback, bool renderInputs) {
    if (!program || !program->linked) return;
    if (scene) {
        renderScene(*this, callback, renderInputs);
        return;
    }
    int units = bindInputs(*program, renderInputs);
    program->setStandardUniforms();
    if (callback) callback();
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    unbindUnits(units);
}

void Effect::captureScreen() { copyScreen(*this); }

void Effect::ensureCapture() {
    const int32_t width = renderSize.width, height = renderSize.height;
    if (capture && (capture->width != width || capture->height != height)) {
        capture.reset();
        glDeleteTextures(1, &captureTexture);
        captureTexture = 0;
    }
    if (!capture) {
        capture = std::make_unique<PixelBuffer>();
        capture->width = width;
        capture->height = height;
        capture->pixels.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)) * 4, 0);
    }
    if (captureTexture == 0) captureTexture = createTexture2D(width, height, capture->pixels.data(), GL_CLAMP_TO_EDGE);
}
