// Scenes drawn and read back: lighting through camera and light uniforms, the material rules,
// textures, blending order, render passes with shadow tags, and the shadow pass of an effect.
#include <GL/glew.h>

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
