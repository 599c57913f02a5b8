// Scene drawing under a display: the CPU cost of one render of a 100-node model against the same
// number of bare draw calls, with its heap allocations, draw calls, program and vertex-array
// changes per frame; and the example show's stage against an empty frame, with the share of the
// shadow pass, at shadow maps of 8192 and 2048.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "bench/AllocationCounter.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "frame/GlFunctions.h"
#include "player/PlayerHooks.h"
#include "frame/Runtime.h"
#include "scene/Scene.h"
#include "scene/SceneGL.h"
#include "tests/SceneModels.h"
#include "checks/OutputCapture.h"

namespace {

long drawCalls = 0, programChanges = 0, vertexArrayChanges = 0;

}  // namespace

// Draw calls of GL 1.1 are plain exports of libGL, so they are counted by interposing them.
extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    using Fn = void (*)(GLenum, GLsizei, GLenum, const void*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawElements"));
    ++drawCalls;
    real(mode, count, type, indices);
}

namespace {

PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLBINDVERTEXARRAYPROC realBindVertexArray = nullptr;
void GLAPIENTRY countUseProgram(GLuint program) {
    ++programChanges;
    realUseProgram(program);
}
void GLAPIENTRY countBindVertexArray(GLuint vertexArray) {
    ++vertexArrayChanges;
    realBindVertexArray(vertexArray);
}

constexpr int kWidth = 1280, kHeight = 720;

SDL_Window* window() {
    static SDL_Window* made = [] {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) std::abort();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_Window* w = SDL_CreateWindow("scene bench", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
        if (!w || !SDL_GL_CreateContext(w) || !loadGlFunctions()) std::abort();
        SDL_GL_SetSwapInterval(0);
        realUseProgram = __glewUseProgram;
        __glewUseProgram = countUseProgram;
        realBindVertexArray = __glewBindVertexArray;
        __glewBindVertexArray = countBindVertexArray;
        renderSize = RenderSize{kWidth, kHeight, kWidth, kHeight};
        return w;
    }();
    return made;
}

// Flat shading with the scene's matrices; enough uniforms that their uploads count.
std::unique_ptr<ShaderProgram> flatProgram() {
    auto program = std::make_unique<ShaderProgram>();
    program->vertexSource =
        "#version 330 core\nlayout(location = 0) in vec3 position;\nlayout(location = 1) in vec3 normal;\n"
        "uniform mat4 uModelViewProjMatrix, uModelMatrix;\nout vec3 n;\n"
        "void main() { n = mat3(uModelMatrix) * normal; gl_Position = uModelViewProjMatrix * vec4(position, 1.0); }\n";
    program->fragmentSource =
        "#version 330 core\nuniform vec4 uBaseColorFactor;\nuniform vec3 uLightDir;\nin vec3 n;\nout vec4 colour;\n"
        "void main() { colour = uBaseColorFactor * max(dot(normalize(n), uLightDir), 0.2); }\n";
    program->build();
    return program;
}

// Made with what loading prints (the model loader names its vertex arrays) kept off the output.
template <class T>
T quietly() {
    checks::OutputCapture quiet;
    return T();
}

// 100 small quads in a 10 x 10 grid, every tenth blended, under one camera.
struct HundredNodes {
    std::unique_ptr<Model> model;
    Scene scene;
    std::unique_ptr<ShaderProgram> program = flatProgram();

    HundredNodes() {
        std::vector<scene_models::NodeSpec> nodes;
        for (int i = 0; i < 100; ++i)
            nodes.push_back({.translation = {float(i % 10) - 4.5f, float(i / 10) - 4.5f, float(i % 7) * -0.1f},
                             .scale = 0.4,
                             .material = i % 10 == 0 ? 1 : 0});
        model = scene_models::upload(scene_models::glb({{}, {.base = {0, 0.5f, 0, 0.5f}, .alphaMode = "BLEND"}}, nodes));
        scene.root_node = std::make_unique<Node>();
        scene.root_node->model = model.get();
        scene.camera = std::make_unique<Camera>();
        scene.camera->position = {0, 0, 12};
        scene.camera->direction = {0, 0, 0};
    }
};

// Both sides draw into a 16 x 16 corner and flush every iteration, so that rasterising costs
// little and queued work does not pile up.
void smallTarget() {
    glViewport(0, 0, 16, 16);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void BM_SceneRender100Nodes(benchmark::State& state) {
    SDL_Window* w = window();
    static HundredNodes model = quietly<HundredNodes>();
    smallTarget();
    glUseProgram(model.program->program);
    for (int i = 0; i < 3; ++i) scene::render(model.scene, *model.program);  // scratch lists grown
    const long allocations = bench::allocationCount();
    const long draws = drawCalls, programs = programChanges, vertexArrays = vertexArrayChanges;
    for (auto _ : state) {
        scene::render(model.scene, *model.program);
        glFlush();
    }
    const double frames = double(state.iterations());
    state.counters["allocs_per_frame"] = double(bench::allocationCount() - allocations) / frames;
    state.counters["draw_calls"] = double(drawCalls - draws) / frames;
    state.counters["program_changes"] = double(programChanges - programs) / frames;
    state.counters["vertex_array_changes"] = double(vertexArrayChanges - vertexArrays) / frames;
    SDL_GL_SwapWindow(w);
}
BENCHMARK(BM_SceneRender100Nodes);

// The baselines' one program and vertex array, bound: they draw the model's first primitive.
const HundredNodes& bindBaseline() {
    window();
    static HundredNodes model = quietly<HundredNodes>();
    smallTarget();
    glUseProgram(model.program->program);
    glBindVertexArray(model.model->vertex_arrays[0]);
    return model;
}

// The baseline: as many draw calls as the render issues (opaque once, blended twice), from one
// vertex array with one program and no uniform changes.
void BM_BareDrawCalls(benchmark::State& state) {
    const HundredNodes& model = bindBaseline();
    const PrimitiveDraw& draw = model.model->primitive_draws[0];
    const void* offset = reinterpret_cast<const void*>(uintptr_t(draw.index_offset));
    for (auto _ : state) {
        for (int i = 0; i < 110; ++i) glDrawElements(GLenum(draw.mode), draw.count, draw.index_type, offset);
        glFlush();
    }
    glBindVertexArray(0);
}
BENCHMARK(BM_BareDrawCalls);

// The baseline's draws, each after one matrix upload: the least that drawing nodes that move
// apart costs the GL driver (llvmpipe validates and copies the program's uniforms at every draw
// that follows a change), and so the floor under the scene render's ratio.
void BM_DrawCallsAfterMatrixUpload(benchmark::State& state) {
    const HundredNodes& model = bindBaseline();
    const PrimitiveDraw& draw = model.model->primitive_draws[0];
    const void* offset = reinterpret_cast<const void*>(uintptr_t(draw.index_offset));
    const GLint at = glGetUniformLocation(model.program->program, "uModelViewProjMatrix");
    std::vector<glm::mat4> matrices;
    for (int i = 0; i < 110; ++i)
        matrices.push_back(glm::scale(glm::translate(glm::mat4(1.0f), {i % 10 * 0.2f - 0.9f, i / 10 * 0.2f - 0.9f, 0}),
                                      glm::vec3(0.05f)));
    for (auto _ : state) {
        for (const glm::mat4& m : matrices) {
            glUniformMatrix4fv(at, 1, GL_FALSE, &m[0][0]);
            glDrawElements(GLenum(draw.mode), draw.count, draw.index_type, offset);
        }
        glFlush();
    }
    glBindVertexArray(0);
}
BENCHMARK(BM_DrawCallsAfterMatrixUpload);

// The example show loaded as the player loads it, but into this context.
Demo& exampleShow() {
    static Demo* demo = [] {
        window();
        static PlayerHooks hooks(nullptr);
        auto* d = new Demo(hooks);
        checks::OutputCapture quiet;  // loading names files and models
        content::readProjectFile(std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", *d);
        showPrograms = &d->shaders;
        d->postLoad();
        return d;
    }();
    return *demo;
}

std::vector<Event*> stageEvents() {
    std::vector<Event*> stage;
    for (const auto& event : exampleShow().events)
        if (event->type == Event::EffectEvent && event->effect && event->effect->scene) stage.push_back(event.get());
    return stage;
}

constexpr float kStageBeat = 30.0f;

void finishFrame() {
    SDL_GL_SwapWindow(window());
    glFinish();
}

void BM_EmptyFrame(benchmark::State& state) {
    window();
    glViewport(0, 0, kWidth, kHeight);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        finishFrame();
    }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both stage events drawn as the timeline draws them: each its shadow pass and its main pass.
void BM_ExampleStageFrame(benchmark::State& state) {
    const std::vector<Event*> stage = stageEvents();
    scene::shadowMapRequestedSize = int32_t(state.range(0));
    currentBeat = kStageBeat;
    glViewport(0, 0, kWidth, kHeight);
    auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (Event* event : stage) event->render(*exampleShow().soundTexture, kStageBeat, nullptr);
        finishFrame();
    };
    frame();  // makes the shadow map at this size, outside the measurement
    for (auto _ : state) frame();
    state.counters["scenes"] = double(stage.size());
}
BENCHMARK(BM_ExampleStageFrame)->Arg(8192)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Only the shadow passes of the same frame: clearing the map and drawing through the light.
void BM_ExampleStageShadowPasses(benchmark::State& state) {
    const std::vector<Event*> stage = stageEvents();
    scene::shadowMapRequestedSize = int32_t(state.range(0));
    auto passes = [&] {
        for (Event* event : stage) {
            Effect& effect = *event->effect;
            Scene& scene = *effect.scene;
            scene::ensureShadowMap(scene);
            glBindFramebuffer(GL_FRAMEBUFFER, scene.shadow_framebuffer);
            glViewport(0, 0, scene.shadow_width, scene.shadow_height);
            glClear(GL_DEPTH_BUFFER_BIT);
            glUseProgram(effect.program->program);
            event->animate(kStageBeat, nullptr);
            scene.shadow_pass = true;
            scene::render(scene, *effect.program);
            scene.shadow_pass = false;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glFinish();
    };
    passes();  // makes the shadow map at this size, outside the measurement
    for (auto _ : state) passes();
}
BENCHMARK(BM_ExampleStageShadowPasses)->Arg(8192)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace
