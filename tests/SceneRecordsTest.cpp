#include <cstring>

#include <tiny_gltf.h>

#include "scene/Model.h"
#include "scene/Scene.h"
#include "tests/RecordChecks.h"
#include "tests/TestSupport.h"

using namespace content;
using namespace testing_support;

namespace {

std::unique_ptr<Camera> makeCamera() {
    auto c = std::make_unique<Camera>();
    c->position = {1.0f, 2.0f, 3.0f};
    c->up = {0.0f, 0.0f, 1.0f};
    c->fov = 60.0f;
    c->zfar = 250.0f;
    c->direction_mode = true;
    return c;
}

std::vector<uint8_t> trianglePositions() {
    const float p[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<uint8_t> bytes(sizeof p);
    std::memcpy(bytes.data(), p, sizeof p);
    return bytes;
}

// One triangle whose 36-byte buffer lives at bufferUri.
Json triangleGltf(const std::string& bufferUri) {
    Json gltf = Json::parse(R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
        "buffers": [{"byteLength": 36}], "bufferViews": [{"buffer": 0, "byteLength": 36}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"}]})");
    gltf["buffers"][0]["uri"] = bufferUri;
    return gltf;
}

std::string base64(const std::string& text) {
    return base64Encode(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::vector<uint8_t> positionsOf(const tinygltf::Model& m) {
    const tinygltf::BufferView& view = m.bufferViews.at(0);
    const std::vector<unsigned char>& data = m.buffers.at(view.buffer).data;
    return std::vector<uint8_t>(data.begin() + long(view.byteOffset), data.begin() + long(view.byteOffset + 36));
}

std::vector<uint8_t> bytesOf(const ByteBuffer& b) { return std::vector<uint8_t>(b.begin(), b.end()); }

std::unique_ptr<Model> convertedTriangle() {
    std::vector<uint8_t> positions = trianglePositions();
    std::string uri = "data:application/octet-stream;base64," + base64Encode(positions.data(), positions.size());
    return fromJson<Model>(Json{{"name", "tri.gltf"}, {"buffer", base64(triangleGltf(uri).dump())}});
}

}  // namespace

TEST(SceneRecordsTest, CameraStoresOnlyItsStoredFields) {
    auto c = makeCamera();
    c->orthographic = true;
    c->ortho_half_extent = 7.0f;
    c->light_direction = {0.0f, -1.0f, 0.0f};
    std::vector<uint8_t> bytes = toBytes(*c);
    EXPECT_EQ(bytes.size(), 9 * 4 + 4 * 4 + 1u);
    auto read = fromBytes<Camera>(bytes);
    EXPECT_EQ(read->position, c->position);
    EXPECT_EQ(read->up, c->up);
    EXPECT_EQ(read->zfar, 250.0f);
    EXPECT_TRUE(read->direction_mode);
    EXPECT_FALSE(read->orthographic);
    EXPECT_EQ(read->ortho_half_extent, 100.0f);
    EXPECT_EQ(read->light_direction, glm::vec3(1.0f));
    EXPECT_EQ(toBytes(*fromJson<Camera>(c->toJson())), bytes);
    expectTruncationRejected<Camera>(bytes, "Camera");

    auto typed = fromJson<Camera>(Json::parse(R"({"position": [1, 2.5, "3"], "aspect": 1.5, "fov": 45})"));
    EXPECT_EQ(typed->position, glm::vec3(0.0f, 2.5f, 0.0f));
    EXPECT_EQ(typed->fov, 0.0f);  // an integer literal is not a float
    EXPECT_EQ(typed->aspect, 1.5f);
    EXPECT_FALSE(typed->direction_mode);
}

TEST(SceneRecordsTest, SceneKeepsStoredReferencesAndRoundTrips) {
    Model model;
    model.name = "ship.glb";
    Scene other;
    other.name = "other";
    Scene s;
    s.name = "main";
    s.camera = makeCamera();
    s.root_node = std::make_unique<Node>();
    s.root_node->name = "root";
    s.root_node->model = &model;
    s.camera_scene = &other;
    s.camera_scene_only_direction = true;
    auto pack = [&](const Scene& scene) {
        BinaryWriter out;
        out.assignKey(&s), out.assignKey(&other), out.assignKey(&model);
        scene.writeBinary(out);
        return out.bytes();
    };
    std::vector<uint8_t> bytes = pack(s);

    auto read = fromBytes<Scene>(bytes);
    ASSERT_TRUE(read->camera && read->root_node);
    EXPECT_EQ(read->camera->fov, 60.0f);
    EXPECT_EQ(read->root_node->modelKey, 3u);
    EXPECT_EQ(read->cameraSceneKey, 2u);
    EXPECT_EQ(read->root_node->model, nullptr);
    EXPECT_TRUE(read->camera_scene_only_direction);

    // Resolved as the Demo does, it packs to the same bytes, also after a JSON round trip.
    read->root_node->model = &model;
    read->camera_scene = &other;
    Json json = read->toJson({});
    EXPECT_EQ(json["root_node"]["model"], "ship.glb");
    EXPECT_EQ(json["camera_scene"], "other");
    auto back = fromJson<Scene>(json);
    EXPECT_EQ(back->root_node->modelName, "ship.glb");
    EXPECT_EQ(back->cameraSceneName, "other");
    back->root_node->model = &model;
    back->camera_scene = &other;
    EXPECT_EQ(pack(*back), bytes);
}

TEST(SceneRecordsTest, MarkersSayWhetherCameraAndNodeFollow) {
    Scene s;
    s.name = "s";
    s.root_node = std::make_unique<Node>();
    std::vector<uint8_t> bytes = toBytes(s);
    size_t at = bytes.size() - 8 - 1 - toBytes(*s.root_node).size() - 8 - 8;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + long(at), bytes.begin() + long(at) + 9),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
    auto read = fromBytes<Scene>(bytes);
    EXPECT_FALSE(read->camera);
    EXPECT_TRUE(read->root_node);
    bytes[at + 8] = 7;  // any nonzero marker
    EXPECT_TRUE(fromBytes<Scene>(bytes)->root_node);

    auto fromText = fromJson<Scene>(Json::parse(R"({"name": "s", "camera": null, "camera_scene_only_direction": 1})"));
    EXPECT_FALSE(fromText->camera);
    EXPECT_FALSE(fromText->root_node);
    EXPECT_FALSE(fromText->camera_scene_only_direction);

    expectTruncationRejected<Scene>(toBytes(Scene()), "Scene");
    expectTruncationRejected<Node>(toBytes(*s.root_node), "Node");
}

TEST(SceneRecordsTest, TextGltfBecomesGlbWrittenUnderGlbName) {
    auto model = convertedTriangle();
    ASSERT_GE(model->buffer.length, 12u);
    EXPECT_EQ(std::memcmp(model->buffer.begin(), "glTF", 4), 0);
    // The name stays as read so that scenes naming the text file find the model; writers and
    // referring nodes use NAME.glb.
    EXPECT_EQ(model->name, "tri.gltf");
    Node node;
    node.model = model.get();
    EXPECT_EQ(node.toJson()["model"], "tri.gltf.glb");
    Json json = model->toJson({});
    EXPECT_EQ(json["name"], "tri.gltf.glb");

    std::vector<uint8_t> bytes = toBytes(*model);
    auto read = fromBytes<Model>(bytes);
    EXPECT_EQ(read->name, "tri.gltf.glb");
    EXPECT_EQ(bytesOf(read->buffer), bytesOf(model->buffer));
    EXPECT_EQ(toBytes(*fromJson<Model>(json)), bytes);  // a .glb name keeps the bytes as they are
    ASSERT_TRUE(read->parse());
    EXPECT_EQ(read->gltf->meshes.size(), 1u);
    EXPECT_EQ(positionsOf(*read->gltf), trianglePositions());
    expectTruncationRejected<Model>(bytes, "Model");
}

TEST(SceneRecordsTest, TextGltfFileTakesInItsBufferAndImages) {
    // A 1 x 1 red PNG under an upper-case extension, which the library's own writer would drop.
    std::vector<uint8_t> png = base64Decode(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");
    std::vector<uint8_t> positions = trianglePositions();
    ScratchDir dir("model-files");
    writeFile(dir.path() / "models/tri.bin", std::string(positions.begin(), positions.end()));
    writeFile(dir.path() / "models/Red.PNG", std::string(png.begin(), png.end()));
    Json gltf = triangleGltf("tri.bin");
    gltf["images"] = Json::array({Json{{"uri", "Red.PNG"}}});
    writeFile(dir.path() / "models/tri.gltf", gltf.dump());

    auto model = fromJson<Model>(Json{{"name", "models/tri.gltf"}}, filesIn(dir.path(), false));
    std::filesystem::remove_all(dir.path() / "models");
    ASSERT_TRUE(model->parse());
    EXPECT_EQ(positionsOf(*model->gltf), positions);
    ASSERT_EQ(model->gltf->images.size(), 1u);
    const tinygltf::Image& image = model->gltf->images[0];
    EXPECT_EQ(image.width, 1);
    ASSERT_GE(image.image.size(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(image.image.begin(), image.image.begin() + 3), (std::vector<uint8_t>{255, 0, 0}));
}

TEST(SceneRecordsTest, BrokenModelsReportAndStayEmpty) {
    testing::internal::CaptureStdout();
    auto noExtension = fromJson<Model>(Json{{"name", "models/ship"}}, filesIn("/nonexistent", false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Expected a file extension in name models/ship\n");
    EXPECT_FALSE(noExtension->buffer.present());

    // Text that does not parse is not kept as if it were GLB.
    testing::internal::CaptureStdout();
    auto bad = fromJson<Model>(Json{{"name", "bad.gltf"}, {"buffer", base64("{ not gltf")}});
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failed to parse glTF\n"), std::string::npos);
    EXPECT_FALSE(bad->buffer.present());
    EXPECT_EQ(bad->toJson({}), (Json{{"name", "bad.gltf"}}));

    Model garbage;
    garbage.buffer = ByteBuffer(std::vector<uint8_t>(40, 7));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(garbage.parse());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Err: ", 0), 0u) << out;
    EXPECT_NE(out.find("Failed to parse glTF\n"), std::string::npos) << out;
}

TEST(SceneRecordsTest, ExternalisedModelGoesToItsGlbFile) {
    ScratchDir dir("model-save");
    JsonFiles files = filesIn(dir.path(), true);
    auto model = convertedTriangle();
    Json json = model->toJson(files);
    EXPECT_EQ(json, (Json{{"name", "tri.gltf.glb"}}));
    EXPECT_EQ(readFile(dir.path() / "tri.gltf.glb"), bytesOf(model->buffer));
    EXPECT_EQ(toBytes(*fromJson<Model>(json, files)), toBytes(*model));
}
