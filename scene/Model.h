// A glTF model carried as GLB bytes. This file holds the record and its parsing; GPU upload and
// drawing live in the GPU side.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <glm/mat4x4.hpp>

#include "content/ByteBuffer.h"
#include "content/ImageLimits.h"
#include "scene/Animation.h"

namespace tinygltf {
class Model;
}
class Texture;

// How one primitive is drawn, decided by the checks at load. A primitive that failed them
// (indices past its vertices, accessors past their buffers, non-finite positions, ...) keeps
// drawable false and must not be drawn.
struct PrimitiveDraw {
    bool drawable = false;
    int32_t mode = 4;           // GL primitive mode (triangles by default)
    int32_t count = 0;          // index count, or vertex count when drawn without indices
    uint32_t index_type = 0;    // GL type of the indices; 0 draws arrays
    uint64_t index_offset = 0;  // byte offset of the first index in the element buffer
};

// One step of the walk over the default scene's node hierarchy, made once at load with cycle
// protection: every node appears at most once and parents come before their children.
struct NodeVisit {
    int32_t node = 0;
    int32_t parent = -1;  // position of the parent's visit in the walk, -1 for a root node
};

// The process-wide instance count of scene drawing (1 draws without instancing), set by the
// "ModelOptions" node and by events.
extern int32_t modelInstanceCount;

// The most vertices or indices one draw may submit, instances included (2^24): a larger instance
// count is cut to fit, with one message per model.
constexpr uint64_t kMaxDrawElements = uint64_t(1) << 24;

class Model : public ISerializable {
public:
    std::string name;
    ByteBuffer buffer;  // GLB bytes
    std::shared_ptr<tinygltf::Model> gltf;  // parsed on demand by parse()
    std::vector<std::pair<int32_t, int32_t>> mesh_vertex_arrays;
    std::vector<uint32_t> vertex_arrays;
    std::vector<std::unique_ptr<Texture>> textures;
    std::vector<content::TextureShare> image_budget;  // per decoded image, until its texture holds it
    std::vector<uint32_t> gl_buffers;           // one array buffer per glTF buffer
    std::vector<PrimitiveDraw> primitive_draws;  // parallel to vertex_arrays
    std::vector<NodeVisit> scene_walk;           // the default scene, empty without one
    int32_t highest_render_pass = 1;
    bool skipMaterials = false;
    bool ready = false;
    std::string loadError;  // the parser's own message when a text glTF did not convert
    bool draw_bound_reported = false;  // an instance count was cut to kMaxDrawElements

    // Animation state, see scene/Animation.h.
    std::shared_ptr<Animation::Skeleton> skeleton;
    std::shared_ptr<Animation::Animations> animations;
    std::vector<Animation::NodeAnimationState> node_animations;
    bool animated = false;
    std::vector<bool> animated_nodes;                // one per glTF node
    std::vector<glm::mat4> animated_node_matrices;  // one per glTF node
    uint32_t joint_matrix_buffer = 0;

    Model();
    ~Model() override;

    // Parses the GLB bytes into gltf, printing the parser's warnings and errors. Returns success.
    // Refuses JSON nested deeper than gltf_guards::kMaxJsonNesting; decodes images only after
    // checking their bytes' range and header size against the image limits.
    bool parse();
    // The same with the warnings and errors kept in `diagnostics` instead of printed.
    bool parse(std::string& diagnostics);

    // The checks of the parsed asset that need no GL: fills primitive_draws and scene_walk,
    // printing a message for each primitive that will not be drawn and each repeated node.
    void check();
    // The largest vertex or index count among the drawable primitives, 0 without any.
    int32_t largestDrawCount() const;

    // GPU side (ModelGL.cpp): parse, images to textures, buffers, vertex arrays, checks, the
    // animation set-up and the joint buffer, then ready. Safe on any bytes.
    void upload();
    // upload() in two steps: decode parses (images included) without GL and may run on another
    // thread (one model at a time, after rememberMaxTextureSize); the step it returns prints the
    // parser's diagnostics and does the rest on the GL thread.
    std::function<void()> decode();

    // The name the writers use: a model read from text glTF holds GLB bytes and is written as
    // NAME.glb. The name itself stays as read so that scenes naming the text file still find it.
    std::string storedName() const;

    // JSON: a name ending in .glb/.GLB is binary glTF, any other extension text glTF, which is
    // converted to GLB so that blocks always hold GLB.
    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
