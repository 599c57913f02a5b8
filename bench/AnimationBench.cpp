// Cost of posing a skinned model of 100 joints, each turned by its own LINEAR rotation channel of
// 16 keys: Animation::pose against the same matrix work (a TRS matrix and a parent product per
// joint) done directly, and heap allocations per pose in steady state (there should be none).
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <tiny_gltf.h>

#include "bench/AllocationCounter.h"
#include "scene/Animation.h"
#include "scene/Model.h"
#include "checks/OutputCapture.h"

namespace {

constexpr int kJoints = 100;
constexpr int kKeys = 16;

int addAccessor(tinygltf::Model& m, const std::vector<float>& values, int type, size_t count) {
    tinygltf::Buffer& buffer = m.buffers[0];
    const size_t offset = buffer.data.size();
    buffer.data.resize(offset + values.size() * 4);
    std::memcpy(buffer.data.data() + offset, values.data(), values.size() * 4);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = offset;
    view.byteLength = values.size() * 4;
    m.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = int(m.bufferViews.size()) - 1;
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.type = type;
    accessor.count = count;
    m.accessors.push_back(accessor);
    return int(m.accessors.size()) - 1;
}

// A chain of 100 joints one unit apart, each with a rotation channel of its own.
std::unique_ptr<Model> chainModel() {
    auto model = std::make_unique<Model>();
    model->gltf = std::make_shared<tinygltf::Model>();
    tinygltf::Model& m = *model->gltf;
    m.buffers.resize(1);
    tinygltf::Skin skin;
    std::vector<float> inverse;
    for (int j = 0; j < kJoints; ++j) {
        tinygltf::Node node;
        node.translation = {0.0, j ? 1.0 : 0.0, 0.0};
        if (j + 1 < kJoints) node.children = {j + 1};
        m.nodes.push_back(node);
        skin.joints.push_back(j);
        const glm::mat4 ibm = glm::translate(glm::mat4(1.0f), glm::vec3(0, -float(j), 0));
        inverse.insert(inverse.end(), &ibm[0][0], &ibm[0][0] + 16);
    }
    skin.inverseBindMatrices = addAccessor(m, inverse, TINYGLTF_TYPE_MAT4, kJoints);
    m.skins.push_back(skin);
    std::vector<float> times, turns;
    for (int k = 0; k < kKeys; ++k) {
        times.push_back(float(k));
        const float half = 0.05f * std::sin(float(k));
        turns.insert(turns.end(), {0.0f, 0.0f, std::sin(half), std::cos(half)});
    }
    tinygltf::Animation animation;
    tinygltf::AnimationSampler sampler;
    sampler.input = addAccessor(m, times, TINYGLTF_TYPE_SCALAR, kKeys);
    sampler.output = addAccessor(m, turns, TINYGLTF_TYPE_VEC4, kKeys);
    animation.samplers.push_back(sampler);
    for (int j = 0; j < kJoints; ++j) {
        tinygltf::AnimationChannel channel;
        channel.sampler = 0;
        channel.target_node = j;
        channel.target_path = "rotation";
        animation.channels.push_back(channel);
    }
    m.animations.push_back(animation);
    Animation::setUp(*model);
    return model;
}

float phaseAt(long i) { return float(i % 997) / 997.0f; }

void BM_PoseSkinnedChain(benchmark::State& state) {
    std::unique_ptr<Model> chain = [] {
        checks::OutputCapture quiet;  // the set-up names each animation and skeleton
        return chainModel();
    }();
    Model& model = *chain;
    long i = 0;
    for (auto _ : state) {
        Animation::pose(model, 0, phaseAt(++i));
        benchmark::DoNotOptimize(model.skeleton->joint_matrices.data());
    }
    const long before = bench::allocationCount();
    for (int n = 0; n < 100; ++n) Animation::pose(model, 0, phaseAt(n));
    state.counters["allocs_per_pose"] = double(bench::allocationCount() - before) / 100.0;
}

// Baseline: per joint one TRS matrix from a slerped rotation, the base and inverse bind products
// and the parent product, the arithmetic a pose cannot avoid.
void BM_JointMatricesDirect(benchmark::State& state) {
    std::vector<glm::mat4> global(kJoints), out(kJoints), inverse(kJoints, glm::mat4(1.0f));
    const glm::quat a(1, 0, 0, 0), b = glm::angleAxis(0.05f, glm::vec3(0, 0, 1));
    long i = 0;
    for (auto _ : state) {
        const float f = phaseAt(++i);
        for (int j = 0; j < kJoints; ++j) {
            const glm::quat r = glm::normalize(glm::slerp(a, b, f));
            glm::mat4 local = glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, 1, 0)) * glm::mat4_cast(r),
                                         glm::vec3(1)) * glm::mat4(1.0f);
            global[size_t(j)] = j ? global[size_t(j) - 1] * local : local;
            out[size_t(j)] = global[size_t(j)] * inverse[size_t(j)];
        }
        benchmark::DoNotOptimize(out.data());
    }
}

}  // namespace

BENCHMARK(BM_PoseSkinnedChain);
BENCHMARK(BM_JointMatricesDirect);
