// Load-time checks of glTF models against broken and hostile files: bad indices and accessors,
// node cycles, deep chains, wrong JSON types, non-finite positions.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include "content/Json.h"
#include "scene/Model.h"
#include "TestSupport.h"

namespace {

const std::filesystem::path kAssimp = "/usr/share/assimp/models/glTF2";
const std::filesystem::path kExample = std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "resources";

// A model read the way a project file reads it (text glTF becomes GLB), then parsed and checked.
std::unique_ptr<Model> checked(const std::filesystem::path& file) {
    auto model = std::make_unique<Model>();
    content::JsonFiles files;
    files.folder = file.parent_path();
    model->fromJson(content::Json{{"name", file.filename().string()}}, files);
    model->parse();
    model->check();
    Animation::setUp(*model);
    return model;
}

std::unique_ptr<Model> fromText(const std::string& gltfText) {
    auto model = std::make_unique<Model>();
    tinygltf::TinyGLTF loader;
    model->gltf = std::make_shared<tinygltf::Model>();
    std::string err, warn;
    loader.LoadASCIIFromString(model->gltf.get(), &err, &warn, gltfText.data(), unsigned(gltfText.size()), "");
    model->check();
    Animation::setUp(*model);
    return model;
}

bool installed(const std::filesystem::path& file) {
    if (std::filesystem::exists(file)) return true;
    ADD_FAILURE() << file << " is missing: install assimp-testmodels";
    return false;
}

}  // namespace

TEST(ModelChecks, PrimitivesWithBadIndicesAreNotDrawnAndGoodOnesAre) {
    for (const char* name : {"IndexOutOfRange.gltf", "AllIndicesOutOfRange.gltf"}) {
        const auto file = kAssimp / "IndexOutOfRange" / name;
        if (!installed(file)) return;
        testing::internal::CaptureStdout();
        auto model = checked(file);
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(model->primitive_draws.size(), 1u) << name;
        EXPECT_FALSE(model->primitive_draws[0].drawable) << name;
        EXPECT_NE(out.find("mesh 0 primitive 0 is not drawn: index past the vertex count"), std::string::npos) << out;
        EXPECT_NE(out.find(name), std::string::npos) << "the message names the model: " << out;
    }
    auto good = checked(kExample / "cube_textured.glb");
    ASSERT_EQ(good->primitive_draws.size(), 1u);
    const PrimitiveDraw& draw = good->primitive_draws[0];
    EXPECT_TRUE(draw.drawable);
    EXPECT_EQ(draw.count, 36);
    EXPECT_EQ(draw.index_type, uint32_t(TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT));
}

// Three vertices and the indices 0, 1, 2, 3: indices 0..2 are the largest allowed, 1..3 reach
// index 3, exactly the vertex count, and are refused.
TEST(ModelChecks, AnIndexEqualToTheVertexCountIsRefused) {
    const std::string buffer = "data:application/octet-stream;base64,"
                               "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAIAAwA=";
    const std::string text = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1},{"attributes":{"POSITION":0},"indices":2}]}],
        "buffers":[{"byteLength":44,"uri":")" + buffer + R"("}],
        "bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":8}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"},
                     {"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"},
                     {"bufferView":1,"byteOffset":2,"componentType":5123,"count":3,"type":"SCALAR"}]})";
    testing::internal::CaptureStdout();
    auto model = fromText(text);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(model->primitive_draws.size(), 2u);
    EXPECT_TRUE(model->primitive_draws[0].drawable);
    EXPECT_FALSE(model->primitive_draws[1].drawable);
}

// The sample file names no default scene: it draws nothing, and says so once at load.
TEST(ModelChecks, AModelWithoutADefaultSceneSaysItDrawsNothing) {
    const auto file = kAssimp / "simple_skin" / "simple_skin.gltf";
    if (!installed(file)) return;
    testing::internal::CaptureStdout();
    auto model = checked(file);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(model->scene_walk.empty());
    const std::string said = "Model simple_skin.gltf: no default scene (\"scene\"); it draws nothing";
    ASSERT_NE(out.find(said), std::string::npos) << out;
    EXPECT_EQ(out.find(said), out.rfind(said)) << "said once: " << out;
}

TEST(ModelChecks, AccessorsPastTheirBufferAndNonFinitePositionsAreRefused) {
    // Accessor 0 claims 4 positions in a 36-byte buffer (room for 3); the second primitive is fine.
    const std::string buffer = "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA";
    const std::string text = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0}},{"attributes":{"POSITION":1}}]}],
        "buffers":[{"byteLength":36,"uri":")" + buffer + R"("}],
        "bufferViews":[{"buffer":0,"byteLength":36}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3"},
                     {"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}]})";
    auto model = fromText(text);
    ASSERT_EQ(model->primitive_draws.size(), 2u);
    EXPECT_FALSE(model->primitive_draws[0].drawable);
    EXPECT_TRUE(model->primitive_draws[1].drawable);
    EXPECT_EQ(model->primitive_draws[1].count, 3);

    const auto infinites = kAssimp / "BoxWithInfinites-glTF-Binary" / "BoxWithInfinites.glb";
    if (!installed(infinites)) return;
    auto box = checked(infinites);
    ASSERT_FALSE(box->primitive_draws.empty());
    EXPECT_FALSE(box->primitive_draws[0].drawable);
}

TEST(ModelChecks, NodeCyclesAreWalkedOnceAndDeepChainsDoNotRecurse) {
    const auto file = kAssimp / "RecursiveNodes" / "RecursiveNodes.gltf";
    if (!installed(file)) return;
    testing::internal::CaptureStdout();
    auto cyclic = checked(file);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(cyclic->scene_walk.size(), 2u);
    EXPECT_EQ(cyclic->scene_walk[1].parent, 0);
    EXPECT_NE(out.find("node 0 appears twice"), std::string::npos) << out;

    constexpr int kDepth = 100000;
    std::string nodes;
    for (int i = 0; i < kDepth; ++i) nodes += (i ? "," : "") + (i + 1 < kDepth ? "{\"children\":[" + std::to_string(i + 1) + "]}" : "{}");
    auto deep = fromText(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)" + nodes + "]}");
    ASSERT_EQ(deep->scene_walk.size(), size_t(kDepth));
    EXPECT_EQ(deep->scene_walk.back().node, kDepth - 1);
    EXPECT_EQ(deep->scene_walk.back().parent, kDepth - 2);
}

TEST(ModelChecks, FilesWithWrongTypesOrMissingPartsLoadWithoutCrashing) {
    const std::filesystem::path files[] = {
        "wrongTypes/badArray.gltf",  "wrongTypes/badNumber.gltf", "wrongTypes/badObject.gltf",
        "wrongTypes/badString.gltf", "wrongTypes/badUint.gltf",   "SchemaFailures/sceneWrongType.gltf",
        "MissingBin/BoxTextured.gltf", "TestNoRootNode/NoScene.gltf", "IncorrectVertexArrays/Cube.gltf"};
    for (const auto& name : files) {
        if (!installed(kAssimp / name)) return;
        testing::internal::CaptureStdout();
        auto model = checked(kAssimp / name);
        testing::internal::GetCapturedStdout();
        // Whatever the parser made of it: every primitive is judged and no walk leaves the node list.
        size_t primitives = 0;
        for (const auto& mesh : model->gltf->meshes) primitives += mesh.primitives.size();
        EXPECT_EQ(model->primitive_draws.size(), primitives) << name;
        for (const NodeVisit& visit : model->scene_walk) EXPECT_LT(size_t(visit.node), model->gltf->nodes.size()) << name;
    }
}
