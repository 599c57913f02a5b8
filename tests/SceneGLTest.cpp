// Scenes drawn and read back: lighting through camera and light uniforms, the material rules,
// textures, blending order, render passes with shadow tags, and the shadow pass of an effect.
#include <GL/glew.h>
#include <SDL.h>

#include <filesystem>

#include "show/Demo.h"
#include "nodes/Execution.h"
#include "graph/Linking.h"
#include "nodes/NodesGL.h"
#include "frame/Runtime.h"
#include "scene/Scene.h"
#include "scene/SceneGL.h"
#include "tests/ContextGLSupport.h"
#include "tests/SceneModels.h"
#include "tests/TestSupport.h"
#include "timeline/Event.h"
#include "timeline/SceneSteering.h"

using namespace gl_support;
using scene_models::MaterialSpec;
using scene_models::NodeSpec;

namespace {

constexpr const char* kVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform mat4 uModelViewProjMatrix, uModelMatrix, uLightMVPMatrix;
out vec3 n;
out vec4 lightPos;
void main() {
    n = mat3(uModelMatrix) * normal;
    lightPos = uLightMVPMatrix * vec4(position, 1.0);
    gl_Position = uModelViewProjMatrix * vec4(position, 1.0);
}
)";

std::unique_ptr<ShaderProgram> sceneProgram(const std::string& body) {
    auto program = std::make_unique<ShaderProgram>();
    program->vertexSource = kVertex;
    program->fragmentSource = std::string("#version 330 core\nin vec3 n;\nin vec4 lightPos;\nout vec4 colour;\n") +
                              "uniform vec4 uBaseColorFactor;\nuniform vec3 uLightDir;\n"
                              "uniform float uMetallicFactor, uRoughnessFactor;\nuniform int uMaterialIndex, uTag, "
                              "uIsShadowRenderPass;\nuniform sampler2D uBaseColorTex, uShadowMapTexture;\n"
                              "void main() {\n" +
                              body + "\n}\n";
    program->build();
    return program;
}

// A model under a camera at (0, 0, 5) looking at the origin; a 2 x 2 quad at z = 0 covers the
// middle half of the 64 x 64 view.
struct TestScene {
    std::unique_ptr<Model> model;
    Scene scene;

    explicit TestScene(const std::vector<uint8_t>& glb) : model(scene_models::upload(glb)) { place(scene, *model); }

    static void place(Scene& scene, Model& model) {
        scene.root_node = std::make_unique<Node>();
        scene.root_node->model = &model;
        scene.camera = std::make_unique<Camera>();
        Camera& c = *scene.camera;
        c.position = {0, 0, 5};
        c.direction = {0, 0, 0};
        c.direction_mode = false;
        c.aspect = 1;
        c.fov = 45;
        c.znear = 0.1f;
        c.zfar = 100;
    }

    void draw(ShaderProgram& program) {
        glUseProgram(program.program);
        scene::render(scene, program);
    }
};

GLint currentProgram() {
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

class SceneGLTest : public GLTest {
protected:
    void TearDown() override {
        modelInstanceCount = 1;
        GLTest::TearDown();
    }
};

TEST_F(SceneGLTest, LitCubeShowsTheFaceTurnedToTheLight) {
    // Turned 45 degrees about y: the right face looks along (1, 0, 1), the light's direction.
    TestScene s(scene_models::glb({{{1.0f, 0.5f, 0.25f, 1.0f}}},
                                  {{.cube = true, .rotation = {0, 0.38268343f, 0, 0.92387953f}, .material = 0}}));
    s.scene.camera->light_direction = {3, 0, 3};  // sent normalised
    auto program = sceneProgram("colour = vec4(uBaseColorFactor.rgb * max(dot(normalize(n), uLightDir), 0.0), 1.0);");
    s.draw(*program);
    expectPixelNear(readPixel(38, 32), {255, 128, 64, 255});
    expectPixelNear(readPixel(26, 32), {0, 0, 0, 255});
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "depth test left as it was";
}

TEST_F(SceneGLTest, MaterialFactorsFollowTheMetallicAndRoughnessRules) {
    TestScene s(scene_models::glb({{.metallic = 0.0, .roughness = 0.01}},
                                  {{.translation = {-1.05f, 0, 0}, .scale = 0.5, .material = 0},
                                   {.translation = {1.05f, 0, 0}, .scale = 0.5}}));
    auto program = sceneProgram("colour = vec4(uMetallicFactor, uRoughnessFactor, float(uMaterialIndex + 1) / 4.0, 1.0);");
    s.draw(*program);
    expectPixelNear(readPixel(22, 32), {255, 10, 64, 255});  // metallic 0 -> 1, roughness 0.01 -> 0.04
    expectPixelNear(readPixel(42, 32), {255, 255, 0, 255});  // no material
}

TEST_F(SceneGLTest, BaseColourTextureOrWhiteWhenTheMaterialHasNone) {
    auto white = solidTexture({255, 255, 255, 255});
    defaultWhiteTexture = white->glName;
    const std::string path = "/usr/share/assimp/models/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb";
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    ASSERT_FALSE(bytes.empty()) << path << " (Debian package assimp-testmodels)";
    TestScene s(bytes);
    s.scene.camera->position = {0, 0, 3};
    // Red tells the bound texture's width, green and blue what it holds.
    auto program = sceneProgram("colour = vec4(float(textureSize(uBaseColorTex, 0).x) / 255.0, "
                                "(texture(uBaseColorTex, vec2(0.5)) * uBaseColorFactor).gb, 1.0);");
    s.draw(*program);
    EXPECT_EQ(readPixel(32, 32)[0], 211) << "the model's 211 x 211 image";

    s.model->gltf->materials[0].pbrMetallicRoughness.baseColorTexture.index = -1;
    s.model->gltf->materials[0].pbrMetallicRoughness.baseColorFactor = {1.0, 0.5, 0.25, 1.0};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    s.draw(*program);
    expectPixelNear(readPixel(32, 32), {1, 128, 64, 255});
    defaultWhiteTexture = 0;
}

// Debian's broken test assets: out-of-range indices, a node that is its own ancestor, infinite
// positions. They draw what is sound, without GL errors.
TEST_F(SceneGLTest, BrokenAssetsDrawWithoutErrors) {
    const std::filesystem::path assimp = "/usr/share/assimp/models/glTF2";
    auto program = sceneProgram("colour = uBaseColorFactor;");
    for (const char* file : {"IndexOutOfRange/IndexOutOfRange.gltf", "IndexOutOfRange/AllIndicesOutOfRange.gltf",
                             "RecursiveNodes/RecursiveNodes.gltf", "BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb"}) {
        const std::filesystem::path path = assimp / file;
        ASSERT_TRUE(std::filesystem::exists(path)) << path << " (Debian package assimp-testmodels)";
        Model model;
        content::JsonFiles files;
        files.folder = path.parent_path();
        model.fromJson(content::Json{{"name", path.filename().string()}}, files);
        model.upload();
        Scene scene;
        TestScene::place(scene, model);
        glUseProgram(program->program);
        scene::render(scene, *program);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << file;
    }
}

// Passes are drawn as they occur in the model: a content pass number near the int limit draws
// at once instead of after two billion empty passes.
TEST_F(SceneGLTest, HugeRenderPassDrawsWithoutCountingUpToIt) {
    TestScene s(scene_models::glb({}, {{.renderPass = 2147483647}}));
    auto program = sceneProgram("colour = uBaseColorFactor;");
    s.draw(*program);
    expectPixelNear(readPixel(32, 32), {255, 255, 255, 255});
    EXPECT_EQ(s.model->highest_render_pass, 2147483647);
}

// With two instances the shader moves the second one right; both draw.
TEST_F(SceneGLTest, InstanceCountDrawsEveryInstance) {
    TestScene s(scene_models::glb({{{1, 1, 1, 1}}}, {{.translation = {-1.05f, 0, 0}, .scale = 0.5, .material = 0}}));
    auto program = sceneProgram("colour = uBaseColorFactor;");
    const std::string draw = "* vec4(position, 1.0);\n}";
    program->vertexSource = std::string(kVertex).replace(std::string(kVertex).rfind(draw), draw.size(),
                                                         "* vec4(position + vec3(4.2 * gl_InstanceID, 0, 0), 1.0);\n}");
    program->build();
    s.draw(*program);
    expectPixelNear(readPixel(42, 32), {0, 0, 0, 255});
    modelInstanceCount = 2;
    s.draw(*program);
    expectPixelNear(readPixel(22, 32), {255, 255, 255, 255});
    expectPixelNear(readPixel(42, 32), {255, 255, 255, 255});
}

// An event's own tracks move the active camera, place the light camera around it, set the
// instance count and pose the model: bit mask 1 picks the "slide" animation of the example's
// cubes, which at phase 0.25 has the slider halfway from x = -2 to x = 2.
TEST_F(SceneGLTest, EventTracksSteerCameraLightInstancesAndPose) {
    std::vector<uint8_t> bytes;
    const std::string path = std::string(DEMO_SOURCE_DIR) + "/examples/show/resources/cubes_animated.glb";
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    TestScene s(bytes);
    ASSERT_TRUE(s.model->animated);
    Event event;
    event.start_beat = 0;
    event.end_beat = 10;
    auto constant = [&](const char* name, float value) { event.tracks[name].points.push_back({0.0f, value, {}}); };
    constant("camera_position_x", 4);
    constant("ldY", 1);
    constant("ldD", 20);
    constant("render_instances", 3);
    constant("animation_index", 1);
    constant("animation_position", 2.25f);
    steerScene(event, s.scene, 1.0f);

    EXPECT_EQ(s.scene.camera->position, glm::vec3(4, 0, 5));
    EXPECT_EQ(s.scene.light_camera.position, glm::vec3(300, 20, 0)) << "only the axis with a track moves";
    EXPECT_EQ(s.scene.light_camera.direction, glm::vec3(0, 0, 0));
    EXPECT_EQ(s.scene.light_camera.ortho_half_extent, 20);
    EXPECT_EQ(modelInstanceCount, 3);
    ASSERT_TRUE(s.model->animated_nodes[1]);
    EXPECT_FALSE(s.model->animated_nodes[2]) << "the hop animation is not in the mask";
    EXPECT_NEAR(s.model->animated_node_matrices[1][3].x, 0.0f, 1e-4);

    event.tracks.erase("render_instances");
    steerScene(event, s.scene, 1.0f);
    EXPECT_EQ(modelInstanceCount, 1) << "without the track the count goes back to 1";
}

// Blended quads (premultiplied red far, green near) listed near first, and an opaque blue one
// behind both listed last: opaque first, then far to near, whatever the node order.
TEST_F(SceneGLTest, BlendedNodesDrawAfterOpaqueOnesFarthestFirst) {
    TestScene s(scene_models::glb({{.base = {0.5f, 0, 0, 0.5f}, .alphaMode = "BLEND"},
                                   {.base = {0, 0.5f, 0, 0.5f}, .alphaMode = "BLEND"},
                                   {.base = {0, 0, 1, 1}}},
                                  {{.translation = {0, 0, 0}, .material = 1},
                                   {.translation = {0, 0, -1}, .material = 0},
                                   {.translation = {0, 0, -2}, .scale = 2, .material = 2}}));
    auto program = sceneProgram("colour = uBaseColorFactor;");
    s.draw(*program);
    expectPixelNear(readPixel(32, 32), {64, 128, 64, 255}, 3);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending restored";
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes restored";
}

// Two quads of one blended material before an opaque blue cube: the material is applied once and
// stays in place for the second quad, and the quads, made of the same accessors, share one
// vertex array that the cube does not.
TEST_F(SceneGLTest, NodesOfOneMaterialAndLayoutShareItsStateAndVertexArray) {
    TestScene s(scene_models::glb({{.base = {0.5f, 0, 0, 0.5f}, .alphaMode = "BLEND"}, {.base = {0, 0, 1, 1}}},
                                  {{.translation = {0, 0, 0}, .material = 0},
                                   {.translation = {0, 0, -1}, .material = 0},
                                   {.cube = true, .translation = {0, 0, -4}, .scale = 2, .material = 1}}));
    EXPECT_EQ(s.model->vertex_arrays[0], s.model->vertex_arrays[1]);
    EXPECT_NE(s.model->vertex_arrays[0], s.model->vertex_arrays[2]);
    auto program = sceneProgram("colour = uBaseColorFactor;");
    s.draw(*program);
    expectPixelNear(readPixel(32, 32), {191, 0, 64, 255}, 3);
}

// Seen from above: a ground quad and, 2 units over it, an occluder (tag 1) that only the shadow
// pass draws. The light looks straight down, so the ground's middle is in the occluder's shadow.
struct ShadowScene : TestScene {
    ShadowScene(bool occluderCasts, int occluderPass)
        : TestScene(scene_models::glb({}, {{.rotation = {-0.70710678f, 0, 0, 0.70710678f}, .scale = 4},
                                           {.translation = {0, 2, 0}, .rotation = {-0.70710678f, 0, 0, 0.70710678f},
                                            .renderPass = occluderPass, .tag = 1, .noShadow = !occluderCasts}})) {
        scene.camera->position = {0, 10, 0};
        scene.camera->up = {0, 0, -1};
        Camera& light = scene.light_camera;
        light.position = {0, 20, 0};
        light.up = {0, 0, -1};
        light.ortho_half_extent = 5;
        light.zfar = 50;
    }
};

constexpr const char* kShadowBody = R"(
    if (uIsShadowRenderPass == 1) { colour = vec4(1.0); return; }
    if (uTag == 1) discard;
    vec3 p = lightPos.xyz / lightPos.w * 0.5 + 0.5;
    colour = vec4(vec3(p.z - 0.01 > texture(uShadowMapTexture, p.xy).r ? 0.0 : 1.0), 1.0);)";

class SceneShadowGLTest : public SceneGLTest {
protected:
    void SetUp() override {
        SceneGLTest::SetUp();
        scene::shadowMapRequestedSize = 256;
    }
    void TearDown() override {
        scene::shadowMapRequestedSize = 8192;
        SceneGLTest::TearDown();
    }

    // The effect's two passes: shadow map, then the main pass to the screen.
    Pixel drawThroughEffect(ShadowScene& s, ShaderProgram& program) {
        Effect effect("scene", &program, nullptr, nullptr, false, false, &s.scene);
        effect.render({}, false);
        GLint bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0);
        return readPixel(32, 32);
    }
};

TEST_F(SceneShadowGLTest, OccluderCastsAShadowFromItsRenderPass) {
    ShadowScene s(true, 3);
    auto program = sceneProgram(kShadowBody);
    expectPixelNear(drawThroughEffect(s, *program), {0, 0, 0, 255});
    expectPixelNear(readPixel(4, 4), {255, 255, 255, 255});
    EXPECT_EQ(s.model->highest_render_pass, 3);
    EXPECT_EQ(s.scene.shadow_width, 256);
}

TEST_F(SceneShadowGLTest, ShadowTaggedNodeIsLeftOutOfTheShadowMap) {
    ShadowScene s(false, 0);
    auto program = sceneProgram(kShadowBody);
    expectPixelNear(drawThroughEffect(s, *program), {255, 255, 255, 255});
}

TEST_F(SceneShadowGLTest, ShadowMapSizeIsClampedToTheImplementationsLimits) {
    GLint texture = 0, renderBuffer = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderBuffer);
    scene::shadowMapRequestedSize = 1 << 30;
    EXPECT_EQ(scene::shadowMapSize(), std::min(texture, renderBuffer));
}

// A map made under one context names nothing under another: each context gets its own.
TEST_F(SceneShadowGLTest, ShadowMapIsMadeInTheCurrentContext) {
    Scene scene;
    scene::ensureShadowMap(scene);
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_GLContext tests = SDL_GL_GetCurrentContext();
    SDL_GLContext other = SDL_GL_CreateContext(window);  // and makes it current
    ASSERT_NE(other, nullptr) << SDL_GetError();
    scene::ensureShadowMap(scene);
    EXPECT_TRUE(glIsTexture(scene.shadow_texture));
    EXPECT_TRUE(glIsFramebuffer(scene.shadow_framebuffer));
    SDL_GL_MakeCurrent(window, tests);
    SDL_GL_DeleteContext(other);
    scene::ensureShadowMap(scene);
    EXPECT_TRUE(glIsFramebuffer(scene.shadow_framebuffer));
}

// The node's program comes from its "shader" input and is copied once; its vector inputs move
// the camera before the draw, and the GL state it leaves is reset.
TEST_F(SceneGLTest, SceneNodeDrawsWithItsProgramAndCameraInputs) {
    auto model = scene_models::upload(scene_models::glb({{{0, 1, 0, 1}}}, {{.material = 0}}));
    Demo demo;
    demo.models.push_back(std::move(model));
    demo.scenes.push_back(std::make_unique<Scene>());
    demo.scenes[0]->name = "stage";
    TestScene::place(*demo.scenes[0], *demo.models[0]);
    demo.shaders.push_back(sceneProgram("colour = uBaseColorFactor;"));
    Nodes::NodeCatalogue types;
    Nodes::installLiveExecutes(types);
    Nodes::linkScenes(demo.scenes, types);
    Nodes::GraphNode node(types.find("stage.scene"));
    Nodes::ExecutionContext context;
    context.demo = &demo;

    node.inputs[0] = values::Value::ofInt(1);  // no such program: nothing drawn
    Nodes::visitNode(node, &demo, context);
    expectPixelNear(readPixel(32, 32), {0, 0, 0, 255});

    node.inputs[0] = values::Value::ofInt(0);
    Nodes::visitNode(node, &demo, context);
    expectPixelNear(readPixel(32, 32), {0, 255, 0, 255});
    const values::MaybeValue copy = node.state[3];
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(currentProgram(), 0);

    const float aside[3] = {5, 0, 0};  // look at a point beside the quad
    node.inputs[2] = values::Value::ofFloats(values::Vec3, aside, 3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Nodes::visitNode(node, &demo, context);
    expectPixelNear(readPixel(32, 32), {0, 0, 0, 255});
    EXPECT_EQ(demo.scenes[0]->camera->direction, glm::vec3(5, 0, 0));
    EXPECT_EQ(node.state[3], copy) << "the copy is made once per chosen program";
}

}  // namespace

namespace {

// Views of a model from each side, at distance 3, through a program that shows its base colour
// texture: the share of the 64 x 64 pixels in each view that are the logo's blue or green.
std::vector<double> logoShares(Model& model) {
    auto program = std::make_unique<ShaderProgram>();
    program->vertexSource = "#version 330 core\nlayout(location = 0) in vec3 position;\n"
                            "layout(location = 2) in vec2 texcoord;\nuniform mat4 uModelViewProjMatrix;\n"
                            "out vec2 uv;\nvoid main() { uv = texcoord; gl_Position = uModelViewProjMatrix * "
                            "vec4(position, 1.0); }\n";
    program->fragmentSource = "#version 330 core\nin vec2 uv;\nuniform sampler2D uBaseColorTex;\nout vec4 colour;\n"
                              "void main() { colour = texture(uBaseColorTex, uv); }\n";
    program->build();
    Scene scene;
    TestScene::place(scene, model);
    std::vector<double> shares;
    const glm::vec3 sides[6] = {{3, 0, 0}, {-3, 0, 0}, {0, 3, 0.01f}, {0, -3, 0.01f}, {0, 0, 3}, {0, 0, -3}};
    for (const glm::vec3& eye : sides) {
        scene.camera->position = eye;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(program->program);
        scene::render(scene, *program);
        std::vector<uint8_t> rgba(size_t(kSize) * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int logo = 0;
        for (size_t p = 0; p < rgba.size(); p += 4)
            logo += rgba[p + 2] > rgba[p] + 60 || rgba[p + 1] > rgba[p] + 40;
        shares.push_back(double(logo) / (kSize * kSize));
    }
    glUseProgram(0);
    return shares;
}

}  // namespace

// BoxTextured's texture coordinates run from 0 to 6 along u with a mirrored-repeat sampler: every
// face shows the logo. Clamped to the edge, only the face with u in 0..1 would.
TEST_F(SceneGLTest, TextureSamplersRepeatTheLogoOnEveryFace) {
    const auto file = std::filesystem::path("/usr/share/assimp/models/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb");
    ASSERT_TRUE(std::filesystem::exists(file)) << "install assimp-testmodels";
    testing::internal::CaptureStdout();
    auto box = scene_models::upload(testing_support::readFile(file), "BoxTextured.glb");
    testing::internal::GetCapturedStdout();
    for (double share : logoShares(*box)) EXPECT_GT(share, 0.1);
}

// Instances times elements past the bound are cut to fit, with one message; the draw returns.
TEST_F(SceneGLTest, InstanceCountsAreCutToTheDrawBound) {
    TestScene s(scene_models::glb({}, {{.cube = true}}));
    auto program = sceneProgram("colour = vec4(1.0);");
    modelInstanceCount = 2000000000;
    testing::internal::CaptureStdout();
    s.draw(*program);
    s.draw(*program);
    const std::string said = testing::internal::GetCapturedStdout();
    const std::string cut = "Model test.glb: 2000000000 instances of 36 elements pass the 16777216 one draw may "
                            "submit; drawn 466033 times\n";
    EXPECT_EQ(said, cut);
    expectPixelNear(readPixel(32, 32), {255, 255, 255, 255});
}

// A scene effect drawn as the input of another scene effect draws its shadow pass before the
// outer one's: the outer main pass samples its own occluder's shadow, not the inner's empty map.
TEST_F(SceneShadowGLTest, NestedSceneEffectLeavesTheOuterShadowsInPlace) {
    ShadowScene s(true, 0);
    auto program = sceneProgram(kShadowBody);
    Scene empty;  // a camera and nothing to draw: its shadow pass clears the map
    empty.camera = std::make_unique<Camera>();
    Effect inner("inner", program.get(), nullptr, nullptr, false, false, &empty);
    Effect outer("outer", program.get(), nullptr, &inner, false, false, &s.scene);
    outer.render({}, true);
    expectPixelNear(readPixel(32, 32), {0, 0, 0, 255});
    expectPixelNear(readPixel(4, 4), {255, 255, 255, 255});
}

// Eleven inputs: tex10 is the eleventh texture, the scene units follow on 11 to 15 and 17, and
// the sound texture keeps unit 16. With sixteen inputs the scene takes 17 to 22.
TEST_F(SceneShadowGLTest, SceneUnitsFollowTheInputsAndStepOverTheSoundUnit) {
    ShadowScene s(true, 0);
    auto program = sceneProgram(kShadowBody);
    auto red = solidTexture({255, 0, 0, 255});
    auto sound = solidTexture({0, 255, 0, 255});
    Effect effect("crowded", program.get(), nullptr, nullptr, false, false, &s.scene);
    effect.textures.assign(11, red.get());
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, sound->glName);
    auto boundOn = [](int unit) {
        GLint texture = 0;
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        return GLuint(texture);
    };
    EXPECT_EQ(effect.bindInputs(*program, false), 18);
    EXPECT_EQ(boundOn(10), red->glName);
    const uint32_t expected[6] = {12, 13, 14, 15, 17, 11};  // base colour ... occlusion, shadow map
    for (int i = 0; i < 6; ++i) EXPECT_EQ(program->sceneTextureUnits[size_t(i)], GL_TEXTURE0 + expected[i]) << i;
    EXPECT_EQ(boundOn(16), sound->glName);

    effect.textures.assign(16, red.get());
    EXPECT_EQ(effect.bindInputs(*program, false), 23);
    EXPECT_EQ(program->sceneTextureUnits[5], GL_TEXTURE0 + 17u);
    effect.render({}, false);
    EXPECT_EQ(boundOn(16), sound->glName) << "the draw's unbinding steps over the sound unit";
    EXPECT_TRUE(effect.sceneUnitsFit);
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}
