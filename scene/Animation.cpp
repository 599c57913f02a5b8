#include "scene/Animation.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <tiny_gltf.h>

#include "scene/GltfAccess.h"
#include "scene/Model.h"

namespace Animation {
namespace {

glm::quat toQuat(const glm::vec4& xyzw) { return glm::quat(xyzw.w, xyzw.x, xyzw.y, xyzw.z); }

// The node's own translation, rotation and scale, each only when present with its full size.
void restValues(const tinygltf::Node& node, glm::vec3& t, glm::quat& r, glm::vec3& s) {
    if (node.translation.size() == 3) t = glm::vec3(float(node.translation[0]), float(node.translation[1]), float(node.translation[2]));
    if (node.rotation.size() == 4)
        r = glm::quat(float(node.rotation[3]), float(node.rotation[0]), float(node.rotation[1]), float(node.rotation[2]));
    if (node.scale.size() == 3) s = glm::vec3(float(node.scale[0]), float(node.scale[1]), float(node.scale[2]));
}

glm::mat4 ownMatrix(const tinygltf::Node& node) {
    glm::mat4 m(1.0f);
    if (node.matrix.size() == 16)
        for (int i = 0; i < 16; ++i) glm::value_ptr(m)[i] = float(node.matrix[size_t(i)]);
    return m;
}

glm::mat4 trs(const glm::vec3& t, const glm::quat& r, const glm::vec3& s) {
    return glm::scale(glm::translate(glm::mat4(1.0f), t) * glm::mat4_cast(r), s);
}

Sampler convertSampler(const tinygltf::Model& gltf, const tinygltf::AnimationSampler& in) {
    Sampler out;
    out.interpolation = in.interpolation == "STEP" ? Step : in.interpolation == "CUBICSPLINE" ? CubicSpline : Linear;
    out.inputs = gltf_access::floats(gltf, in.input, 1);
    const bool known = in.output >= 0 && size_t(in.output) < gltf.accessors.size();
    const int type = known ? gltf.accessors[size_t(in.output)].type : 0;
    if (type != TINYGLTF_TYPE_VEC3 && type != TINYGLTF_TYPE_VEC4) {
        std::cerr << "Kapot" << std::endl;
        return out;
    }
    const int components = type == TINYGLTF_TYPE_VEC3 ? 3 : 4;
    const std::vector<float> values = gltf_access::floats(gltf, in.output, components);
    out.outputs.resize(values.size() / size_t(components), glm::vec4(0.0f));
    for (size_t k = 0; k < out.outputs.size(); ++k)
        for (int c = 0; c < components; ++c) out.outputs[k][c] = values[k * size_t(components) + size_t(c)];
    return out;
}

std::shared_ptr<ModelAnimation> convertAnimation(const tinygltf::Model& gltf, const tinygltf::Animation& in) {
    auto out = std::make_shared<ModelAnimation>();
    out->name = in.name;
    std::cout << "name of animation: " << in.name << std::endl;
    bool anyKey = false;
    for (const tinygltf::AnimationSampler& s : in.samplers) {
        out->samplers.push_back(convertSampler(gltf, s));
        for (float t : out->samplers.back().inputs) {
            if (!std::isfinite(t)) continue;
            out->start = anyKey ? std::min(out->start, t) : t;
            out->end = anyKey ? std::max(out->end, t) : t;
            anyKey = true;
        }
    }
    for (const tinygltf::AnimationChannel& c : in.channels) {
        Channel channel{c.sampler, c.target_node, Unset};
        const std::string& path = c.target_path;
        if (path == "translation") channel.path = Translation;
        else if (path == "rotation") channel.path = Rotation;
        else if (path == "scale") channel.path = Scale;
        else std::cerr << "Boem kapot: path not supported" << std::endl;
        out->channels.push_back(channel);
    }
    return out;
}

// The joint hierarchy below joint 0, through child nodes that are joints, each joint once.
void linkJoints(Skeleton& skeleton, const tinygltf::Model& gltf, const std::vector<int>& jointNodes) {
    if (skeleton.joints.empty()) return;
    std::vector<bool> seen(skeleton.joints.size(), false);
    std::vector<int32_t> pending{0};
    seen[0] = true;
    while (!pending.empty()) {
        const int32_t j = pending.back();
        pending.pop_back();
        skeleton.order.push_back(j);
        const int node = jointNodes[size_t(j)];
        if (node < 0 || size_t(node) >= gltf.nodes.size()) continue;
        for (int child : gltf.nodes[size_t(node)].children) {
            const int32_t c = child >= 0 && size_t(child) < gltf.nodes.size() ? skeleton.joint_of_node[size_t(child)] : -1;
            if (c < 0) continue;
            if (seen[size_t(c)]) {
                std::printf("Skeleton %s: joint %d is reached twice (a cycle?); ignored\n", skeleton.name.c_str(), c);
                continue;
            }
            seen[size_t(c)] = true;
            skeleton.joints[size_t(c)].parent = j;
            skeleton.joints[size_t(j)].children.push_back(c);
            pending.push_back(c);
        }
    }
}

void buildSkeleton(Model& model, const tinygltf::Skin& skin) {
    const tinygltf::Model& gltf = *model.gltf;
    auto skeleton = std::make_shared<Skeleton>();
    skeleton->name = skin.name;
    std::cout << "name of skeleton: " << skin.name << std::endl;
    skeleton->joint_of_node.assign(gltf.nodes.size(), -1);
    const std::vector<float> inverse = gltf_access::floats(gltf, skin.inverseBindMatrices, 16);
    for (size_t j = 0; j < skin.joints.size(); ++j) {
        Joint joint;
        const int node = skin.joints[j];
        if (node >= 0 && size_t(node) < gltf.nodes.size()) {
            const tinygltf::Node& n = gltf.nodes[size_t(node)];
            joint.name = n.name;
            joint.base_matrix = ownMatrix(n);
            restValues(n, joint.translation, joint.rotation, joint.scale);
            if (skeleton->joint_of_node[size_t(node)] < 0) skeleton->joint_of_node[size_t(node)] = int32_t(j);
        }
        if ((j + 1) * 16 <= inverse.size()) joint.inverse_bind = glm::make_mat4(&inverse[j * 16]);
        skeleton->joints.push_back(std::move(joint));
    }
    skeleton->joint_matrices.assign(skeleton->joints.size(), glm::mat4(1.0f));
    linkJoints(*skeleton, gltf, skin.joints);
    model.skeleton = skeleton;
}

}  // namespace

namespace {

// One record per (animation, target node); each channel learns the record it moves.
void buildNodeAnimations(Model& model) {
    const tinygltf::Model& gltf = *model.gltf;
    std::map<std::pair<int32_t, int32_t>, int32_t> records;
    for (size_t a = 0; a < model.animations->items.size(); ++a) {
        for (Channel& channel : model.animations->items[a]->channels) {
            const int32_t node = channel.target_node;
            if (node < 0 || size_t(node) >= gltf.nodes.size()) continue;
            auto [it, added] = records.emplace(std::make_pair(int32_t(a), node), int32_t(model.node_animations.size()));
            channel.record = it->second;
            if (!added) continue;
            NodeAnimationState state;
            state.node = node;
            state.animation = int32_t(a);
            state.rest_matrix = ownMatrix(gltf.nodes[size_t(node)]);
            restValues(gltf.nodes[size_t(node)], state.translation, state.rotation, state.scale);
            model.node_animations.push_back(state);
        }
    }
}

// Global matrices down the hierarchy (parents come first in order), then times inverse bind.
void computeJointMatrices(Skeleton& skeleton) {
    auto& m = skeleton.joint_matrices;
    for (size_t j = 0; j < skeleton.joints.size(); ++j) {
        const Joint& joint = skeleton.joints[j];
        m[j] = trs(joint.translation, joint.rotation, joint.scale) * joint.base_matrix;
    }
    for (int32_t j : skeleton.order) {
        const int32_t parent = skeleton.joints[size_t(j)].parent;
        if (parent >= 0) m[size_t(j)] = m[size_t(parent)] * m[size_t(j)];
    }
    for (size_t j = 0; j < skeleton.joints.size(); ++j) m[j] *= skeleton.joints[j].inverse_bind;
}

void write(int32_t path, const glm::vec4& v, glm::vec3& t, glm::quat& r, glm::vec3& s) {
    if (path == Translation) t = glm::vec3(v);
    else if (path == Rotation) r = toQuat(v);
    else if (path == Scale) s = glm::vec3(v);
}

glm::quat normalisedOrIdentity(const glm::quat& q) {
    const float length = glm::length(q);
    return std::isfinite(length) && length > 0.0f ? q / length : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
}

// Writes the channel's value at time into t, r or s; outside every key interval nothing changes.
void sample(Sampler& sampler, int32_t path, float time, glm::vec3& t, glm::quat& r, glm::vec3& s) {
    const size_t keys = std::min(sampler.inputs.size(), sampler.outputs.size());
    for (size_t i = 0; i + 1 < keys; ++i) {
        const float t0 = sampler.inputs[i], t1 = sampler.inputs[i + 1];
        if (!(t0 <= time && time <= t1)) continue;
        if (sampler.interpolation == Step) {
            write(path, sampler.outputs[i], t, r, s);
        } else if (sampler.interpolation == CubicSpline) {
            if (!sampler.reported) std::cerr << "cubicspline not supported" << std::endl;
            sampler.reported = true;
        } else {
            const float f = t1 > t0 ? (time - t0) / (t1 - t0) : 0.0f;
            const glm::vec4& a = sampler.outputs[i];
            const glm::vec4& b = sampler.outputs[i + 1];
            if (path == Rotation) r = normalisedOrIdentity(glm::slerp(toQuat(a), toQuat(b), f));
            else write(path, a * (1.0f - f) + b * f, t, r, s);
        }
        return;
    }
}

// Samples one channel of an animation, with its sampler index checked.
template <class Target>
void sampleChannel(ModelAnimation& animation, const Channel& channel, Target& target) {
    if (channel.sampler < 0 || size_t(channel.sampler) >= animation.samplers.size()) return;
    sample(animation.samplers[size_t(channel.sampler)], channel.path, animation.current_time, target.translation,
           target.rotation, target.scale);
}

void advance(ModelAnimation& animation, float phase) {
    animation.current_time = (phase - std::floor(phase)) * (animation.end - animation.start) + animation.start;
}

void poseSkeleton(Model& model, int32_t index, float phase) {
    Skeleton& skeleton = *model.skeleton;
    const int32_t count = int32_t(model.animations->items.size());
    ModelAnimation& animation = *model.animations->items[size_t(((index % count) + count) % count)];
    advance(animation, phase);
    for (const Channel& channel : animation.channels) {
        const int32_t node = channel.target_node;
        if (node < 0 || size_t(node) >= skeleton.joint_of_node.size()) continue;
        const int32_t joint = skeleton.joint_of_node[size_t(node)];
        if (joint >= 0) sampleChannel(animation, channel, skeleton.joints[size_t(joint)]);
    }
    computeJointMatrices(skeleton);
}

bool selected(int32_t mask, size_t animation) { return animation < 31 && (mask >> animation) & 1; }

void poseNodes(Model& model, int32_t mask, float phase) {
    std::fill(model.animated_nodes.begin(), model.animated_nodes.end(), false);
    const size_t count = model.animations->items.size();
    if (mask < 1 || (count < 31 && mask > (int32_t(1) << count) - 1)) return;
    for (size_t a = 0; a < count; ++a) {
        if (!selected(mask, a)) continue;
        ModelAnimation& animation = *model.animations->items[a];
        advance(animation, phase);
        for (const Channel& channel : animation.channels)
            if (channel.record >= 0) sampleChannel(animation, channel, model.node_animations[size_t(channel.record)]);
    }
    for (const NodeAnimationState& record : model.node_animations) {
        if (!selected(mask, size_t(record.animation)) || size_t(record.node) >= model.animated_nodes.size()) continue;
        model.animated_node_matrices[size_t(record.node)] = trs(record.translation, record.rotation, record.scale);
        model.animated_nodes[size_t(record.node)] = true;
    }
}

}  // namespace

void setUp(Model& model) {
    model.skeleton.reset();
    model.animations = std::make_shared<Animations>();
    model.node_animations.clear();
    model.animated = false;
    if (!model.gltf) return;
    const tinygltf::Model& gltf = *model.gltf;
    for (const tinygltf::Animation& animation : gltf.animations)
        model.animations->items.push_back(convertAnimation(gltf, animation));
    model.animated_nodes.assign(gltf.nodes.size(), false);
    model.animated_node_matrices.assign(gltf.nodes.size(), glm::mat4(1.0f));
    if (!gltf.skins.empty()) {
        if (gltf.skins[0].inverseBindMatrices >= 0) buildSkeleton(model, gltf.skins[0]);
    } else if (!model.animations->items.empty()) {
        buildNodeAnimations(model);
    }
    // The rest pose, so that a skinned model drawn before its first pose is not collapsed.
    if (model.skeleton) computeJointMatrices(*model.skeleton);
    model.animated = !model.animations->items.empty();
}

void pose(Model& model, int32_t index, float phase) {
    if (!model.animated || !model.animations || model.animations->items.empty()) return;
    if (model.skeleton && !model.skeleton->joints.empty()) poseSkeleton(model, index, phase);
    else poseNodes(model, index, phase);
}

float nodePhase(float position, float divider, float start, float end) {
    const float r = std::fmod(position, 1.0f);
    return r * (end / divider - start / divider) + start / divider;
}

}  // namespace Animation
