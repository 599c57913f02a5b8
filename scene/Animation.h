// Skeletal and node animation of glTF models: the data prepared once at load, sampling at a phase,
// and the joint matrices the vertex shader reads from the uniform block "MatricesBlock".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

class Model;

namespace Animation {

// The joint-matrix buffer holds this many mat4; joints beyond it are posed but never uploaded.
constexpr int kMaxJoints = 100;
constexpr int kJointBufferBytes = kMaxJoints * 64;

enum Interpolation : int32_t { Linear = 0, Step = 1, CubicSpline = 2 };
enum Path : int32_t { Unset = -1, Translation = 0, Rotation = 1, Scale = 2 };

struct Joint {
    std::string name;
    glm::mat4 base_matrix{1.0f};
    glm::mat4 inverse_bind{1.0f};
    glm::vec3 translation{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 scale{1.0f};
    int32_t parent = -1;
    std::vector<int32_t> children;
};

struct Skeleton {
    std::string name;
    std::vector<Joint> joints;          // in the skin's joint order
    std::vector<int32_t> joint_of_node;  // glTF node index -> joint index, -1 for other nodes
    std::vector<int32_t> order;          // joints reachable from joint 0, parents before children
    std::vector<glm::mat4> joint_matrices;
};

struct Sampler {
    std::vector<float> inputs;         // key times, ascending
    std::vector<glm::vec4> outputs;    // one per key; vec3 outputs have w = 0
    int32_t interpolation = Linear;
    bool reported = false;  // an unsupported interpolation is reported once
};

struct Channel {
    int32_t sampler = 0;
    int32_t target_node = -1;
    int32_t path = Unset;  // left unset for paths other than translation, rotation and scale
    int32_t record = -1;   // unskinned models: the node-animation record this channel moves
};

class ModelAnimation {
public:
    std::string name;
    std::vector<Sampler> samplers;
    std::vector<Channel> channels;
    float start = 0.0f, end = 0.0f;
    float current_time = 0.0f;
};

class Animations {
public:
    std::vector<std::shared_ptr<ModelAnimation>> items;
};

// The moving state of one node of an unskinned model under one animation.
struct NodeAnimationState {
    int32_t node = 0;
    int32_t animation = 0;
    glm::mat4 rest_matrix{1.0f};
    glm::vec3 translation{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 scale{1.0f};
};

// Builds animations, the skeleton of the first skin and the node-animation list from the parsed
// glTF; sets model.animated. Needs no GL: the joint-matrix buffer is made by createJointBuffer.
void setUp(Model& model);

// Poses the model at a phase (wrapped into 0..1): a skinned model by animation (index modulo the
// count) into its joint matrices; an unskinned one by the bit mask index into the animated node
// set and matrices. Does not upload.
void pose(Model& model, int32_t index, float phase);

// The phase the "Animation" node poses at: start/divider + fract(position) x (end - start)/divider.
float nodePhase(float position, float divider, float start, float end);

// GPU side: the 6400-byte uniform buffer on binding point 0 (only for a model with a skeleton),
// and the upload of at most the first 100 joint matrices into it.
void createJointBuffer(Model& model);
void uploadJointMatrices(Model& model);

}  // namespace Animation
