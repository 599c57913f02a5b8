// Posing the example's animated models at known phases: skinned joints with LINEAR rotations,
// node animations selected by bit mask with LINEAR and STEP channels.
#include <cmath>
#include <filesystem>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include "scene/Animation.h"
#include "scene/Model.h"
#include "TestSupport.h"

namespace {

const std::filesystem::path kExample = std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "resources";

std::unique_ptr<Model> prepared(const char* file) {
    auto model = std::make_unique<Model>();
    model->name = file;
    model->buffer = ByteBuffer(testing_support::readFile(kExample / file));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(model->parse());
    model->check();
    Animation::setUp(*model);
    testing::internal::GetCapturedStdout();
    return model;
}

void expectNear(const glm::vec4& actual, const glm::vec4& expected) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << "component " << i;
}

glm::vec4 position(const glm::mat4& m) { return m * glm::vec4(0, 0, 0, 1); }

// A skin over nodes 0..count-1, each the child of the one before (and node 0, when cyclic, the
// child of the last), with identity inverse bind matrices and one rotation key on node 0.
std::unique_ptr<Model> chainSkin(int count, bool cyclic) {
    auto model = std::make_unique<Model>();
    model->gltf = std::make_shared<tinygltf::Model>();
    tinygltf::Model& m = *model->gltf;
    m.nodes.resize(size_t(count));
    tinygltf::Skin skin;
    for (int i = 0; i < count; ++i) {
        m.nodes[size_t(i)].translation = {0.0, 1.0, 0.0};
        if (i + 1 < count || cyclic) m.nodes[size_t(i)].children = {(i + 1) % count};
        skin.joints.push_back(i);
    }
    const glm::mat4 identity(1.0f);
    m.buffers.resize(1);
    for (int i = 0; i < count; ++i) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&identity[0][0]);
        m.buffers[0].data.insert(m.buffers[0].data.end(), bytes, bytes + 64);
    }
    const float key[] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f};  // time 0, then rotation (0, 0, 0, 1)
    m.buffers[0].data.insert(m.buffers[0].data.end(), reinterpret_cast<const unsigned char*>(key),
                             reinterpret_cast<const unsigned char*>(key) + sizeof key);
    const size_t matrices = size_t(count) * 64;
    m.bufferViews = {tinygltf::BufferView(), tinygltf::BufferView(), tinygltf::BufferView()};
    m.bufferViews[0].byteLength = matrices;
    m.bufferViews[1].byteOffset = matrices;
    m.bufferViews[1].byteLength = 4;
    m.bufferViews[2].byteOffset = matrices + 4;
    m.bufferViews[2].byteLength = 16;
    const int types[] = {TINYGLTF_TYPE_MAT4, TINYGLTF_TYPE_SCALAR, TINYGLTF_TYPE_VEC4};
    for (int a = 0; a < 3; ++a) {
        tinygltf::Accessor accessor;
        accessor.bufferView = a;
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.type = types[a];
        accessor.count = a == 0 ? size_t(count) : 1;
        m.accessors.push_back(accessor);
    }
    skin.inverseBindMatrices = 0;
    m.skins.push_back(skin);
    tinygltf::Animation animation;
    animation.samplers.resize(1);
    animation.samplers[0].input = 1;
    animation.samplers[0].output = 2;
    animation.channels.resize(1);
    animation.channels[0].target_node = 0;
    animation.channels[0].target_path = "rotation";
    m.animations.push_back(animation);
    testing::internal::CaptureStdout();
    Animation::setUp(*model);
    testing::internal::GetCapturedStdout();
    return model;
}

}  // namespace

TEST(Animation, NodePhaseWrapsThePositionIntoTheStartEndRange) {
    EXPECT_FLOAT_EQ(Animation::nodePhase(2.25f, 1.0f, 0.0f, 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(Animation::nodePhase(5.5f, 2.0f, 0.0f, 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(Animation::nodePhase(-0.25f, 1.0f, 0.0f, 1.0f), -0.25f);  // sampling wraps it to 0.75
}

TEST(Animation, SkinnedBarBendsItsJointsAtKnownPhases) {
    auto bar = prepared("bar_skinned.glb");
    ASSERT_TRUE(bar->skeleton);
    ASSERT_EQ(bar->skeleton->joints.size(), 3u);
    EXPECT_TRUE(bar->animated);
    EXPECT_EQ(bar->skeleton->joints[2].parent, 1);
    // Rest pose before any posing: joint matrices are identity (global x inverse bind).
    expectNear(bar->skeleton->joint_matrices[2] * glm::vec4(0, 2.5f, 0, 1), glm::vec4(0, 2.5f, 0, 1));

    // Phase 0.25 is time 1, the 35-degree key; the point half-way up joint 2 turns by 70 degrees in all.
    Animation::pose(*bar, 0, 0.25f);
    const float a = glm::radians(35.0f);
    const glm::vec4 joint2(-std::sin(a), 1 + std::cos(a), 0, 1);
    expectNear(bar->skeleton->joint_matrices[2] * glm::vec4(0, 2.5f, 0, 1),
               joint2 + glm::vec4(-0.5f * std::sin(2 * a), 0.5f * std::cos(2 * a), 0, 0));
    // Phase 0.125 is time 0.5: the rotation is the normalised slerp half-way, 17.5 degrees.
    Animation::pose(*bar, 0, 1.125f);
    const glm::vec4 bent = bar->skeleton->joint_matrices[1] * glm::vec4(0, 2, 0, 1);
    EXPECT_NEAR(std::atan2(-bent.x, bent.y - 1), glm::radians(17.5f), 1e-4f);
    // Any index picks an animation modulo the count.
    Animation::pose(*bar, 7, 0.0f);
    expectNear(bar->skeleton->joint_matrices[2] * glm::vec4(0, 2.5f, 0, 1), glm::vec4(0, 2.5f, 0, 1));
}

TEST(Animation, NodeAnimationsFollowTheBitMaskWithLinearAndStepChannels) {
    auto cubes = prepared("cubes_animated.glb");
    EXPECT_FALSE(cubes->skeleton);
    ASSERT_EQ(cubes->animations->items.size(), 2u);
    ASSERT_EQ(cubes->node_animations.size(), 2u);  // (slide, node 1) and (hop, node 2)

    Animation::pose(*cubes, 1, 0.25f);  // slide only, time 0.5: half-way from x=-2 to x=2, turned 45 degrees
    EXPECT_TRUE(cubes->animated_nodes[1]);
    EXPECT_FALSE(cubes->animated_nodes[2]);
    expectNear(position(cubes->animated_node_matrices[1]), glm::vec4(0, 0, 0, 1));
    expectNear(cubes->animated_node_matrices[1] * glm::vec4(1, 0, 0, 0),
               glm::vec4(std::sqrt(0.5f), std::sqrt(0.5f), 0, 0));

    // Time 0.25, a quarter of the way: weights 3/4 and 1/4, which swapped would give x = 1.
    Animation::pose(*cubes, 1, 0.125f);
    expectNear(position(cubes->animated_node_matrices[1]), glm::vec4(-1, 0, 0, 1));
    const float turned = glm::radians(22.5f);
    expectNear(cubes->animated_node_matrices[1] * glm::vec4(1, 0, 0, 0),
               glm::vec4(std::cos(turned), std::sin(turned), 0, 0));

    Animation::pose(*cubes, 3, 0.49f);  // both; the STEP hop still holds key 0 just before time 1
    EXPECT_TRUE(cubes->animated_nodes[1]);
    EXPECT_TRUE(cubes->animated_nodes[2]);
    expectNear(position(cubes->animated_node_matrices[2]), glm::vec4(0, -1, -2, 1));
    Animation::pose(*cubes, 2, 0.75f);  // time 1.5: key 1
    EXPECT_FALSE(cubes->animated_nodes[1]);
    expectNear(position(cubes->animated_node_matrices[2]), glm::vec4(0, 1, -2, 1));

    Animation::pose(*cubes, 4, 0.5f);  // no such animation: the set is cleared and stays empty
    EXPECT_FALSE(cubes->animated_nodes[1]);
    EXPECT_FALSE(cubes->animated_nodes[2]);
}

TEST(Animation, JointCyclesAreCutAndDeepSkeletonsPoseWithoutRecursion) {
    auto cyclic = chainSkin(2, true);
    ASSERT_TRUE(cyclic->skeleton);
    EXPECT_EQ(cyclic->skeleton->order.size(), 2u);
    EXPECT_EQ(cyclic->skeleton->joints[0].parent, -1);
    EXPECT_EQ(cyclic->skeleton->joints[1].parent, 0);
    Animation::pose(*cyclic, 0, 0.0f);
    expectNear(position(cyclic->skeleton->joint_matrices[1]), glm::vec4(0, 2, 0, 1));

    constexpr int kDepth = 100000;
    auto deep = chainSkin(kDepth, false);
    ASSERT_EQ(deep->skeleton->order.size(), size_t(kDepth));
    Animation::pose(*deep, 0, 0.0f);
    expectNear(position(deep->skeleton->joint_matrices.back()), glm::vec4(0, float(kDepth), 0, 1));
}

// Parent and child posed differently: the child's global matrix is parent x child. The parent
// sits 1 up; the child, 1 up from it, is turned a quarter about z, so its point (1, 0, 0) lands
// at (0, 3, 0). Child x parent would put it at (-1, 2, 0).
TEST(Animation, JointGlobalsComposeParentTimesChild) {
    auto chain = chainSkin(2, false);
    chain->skeleton->joints[1].rotation = glm::angleAxis(glm::radians(90.0f), glm::vec3(0, 0, 1));
    Animation::pose(*chain, 0, 0.0f);
    expectNear(chain->skeleton->joint_matrices[1] * glm::vec4(1, 0, 0, 1), glm::vec4(0, 3, 0, 1));
}
