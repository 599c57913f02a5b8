// Small glTF assets made in code for scene tests and benchmarks: quads and cubes placed by nodes,
// with materials and node extras, written as GLB and uploaded as a Model.
#pragma once
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <tiny_gltf.h>

#include "scene/Model.h"

namespace scene_models {

struct MaterialSpec {
    glm::vec4 base{1.0f};
    double metallic = 1.0, roughness = 1.0;
    std::string alphaMode = "OPAQUE";
    int baseColorTexture = -1;
};

// A quad is 2 x 2 in its XY plane facing +Z; a cube is 2 x 2 x 2. Rotation is a quaternion x, y, z, w.
struct NodeSpec {
    bool cube = false;
    glm::vec3 translation{0.0f};
    glm::vec4 rotation{0.0f, 0.0f, 0.0f, 1.0f};
    double scale = 1.0;
    int material = -1;
    int renderPass = 0;  // 0 leaves "render_pass" out
    int tag = 0;         // 0 leaves "tag" out
    bool noShadow = false;
    int parent = -1;     // index of an earlier node, -1 for a root of the scene
};

namespace detail {

struct Geometry {
    std::vector<float> positions, normals;
    std::vector<uint16_t> indices;
};

inline void addFace(Geometry& g, glm::vec3 normal, glm::vec3 u, glm::vec3 v) {
    const uint16_t first = uint16_t(g.positions.size() / 3);
    const glm::vec3 corners[4] = {normal - u - v, normal + u - v, normal + u + v, normal - u + v};
    for (const glm::vec3& c : corners) {
        g.positions.insert(g.positions.end(), {c.x, c.y, c.z});
        g.normals.insert(g.normals.end(), {normal.x, normal.y, normal.z});
    }
    for (uint16_t i : {0, 1, 2, 0, 2, 3}) g.indices.push_back(uint16_t(first + i));
}

// The quad is the cube's front face moved into z = 0.
inline Geometry geometry(bool cube) {
    Geometry g;
    addFace(g, {0, 0, 1}, {1, 0, 0}, {0, 1, 0});
    if (!cube) {
        for (size_t i = 2; i < g.positions.size(); i += 3) g.positions[i] = 0.0f;
        return g;
    }
    addFace(g, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0});
    addFace(g, {1, 0, 0}, {0, 0, -1}, {0, 1, 0});
    addFace(g, {-1, 0, 0}, {0, 0, 1}, {0, 1, 0});
    addFace(g, {0, 1, 0}, {1, 0, 0}, {0, 0, -1});
    addFace(g, {0, -1, 0}, {1, 0, 0}, {0, 0, 1});
    return g;
}

inline void append(std::vector<unsigned char>& data, const void* bytes, size_t size) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    data.insert(data.end(), b, b + size);
    while (data.size() % 4) data.push_back(0);
}

// Appends one geometry's positions, normals and indices; returns the first accessor (positions,
// normals, indices follow in that order).
inline int addGeometry(tinygltf::Model& m, const Geometry& g) {
    tinygltf::Buffer& buffer = m.buffers[0];
    const int first = int(m.accessors.size());
    struct Part { const void* data; size_t bytes; int type, componentType, count, target; };
    const int vertices = int(g.positions.size() / 3);
    const Part parts[3] = {
        {g.positions.data(), g.positions.size() * 4, TINYGLTF_TYPE_VEC3, TINYGLTF_COMPONENT_TYPE_FLOAT, vertices,
         TINYGLTF_TARGET_ARRAY_BUFFER},
        {g.normals.data(), g.normals.size() * 4, TINYGLTF_TYPE_VEC3, TINYGLTF_COMPONENT_TYPE_FLOAT, vertices,
         TINYGLTF_TARGET_ARRAY_BUFFER},
        {g.indices.data(), g.indices.size() * 2, TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
         int(g.indices.size()), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER},
    };
    for (const Part& part : parts) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.data.size();
        view.byteLength = part.bytes;
        view.target = part.target;
        append(buffer.data, part.data, part.bytes);
        m.bufferViews.push_back(view);
        tinygltf::Accessor accessor;
        accessor.bufferView = int(m.bufferViews.size()) - 1;
        accessor.componentType = part.componentType;
        accessor.count = size_t(part.count);
        accessor.type = part.type;
        if (part.type == TINYGLTF_TYPE_VEC3) {
            accessor.minValues = {-1, -1, -1};
            accessor.maxValues = {1, 1, 1};
        }
        m.accessors.push_back(accessor);
    }
    return first;
}

inline tinygltf::Value extras(const NodeSpec& n) {
    tinygltf::Value::Object object;
    if (n.renderPass != 0) object["render_pass"] = tinygltf::Value(n.renderPass);
    if (n.tag != 0) object["tag"] = tinygltf::Value(n.tag);
    if (n.noShadow) object["shadow"] = tinygltf::Value(true);
    return object.empty() ? tinygltf::Value() : tinygltf::Value(object);
}

}  // namespace detail

// One mesh per node (so node order and mesh order agree), all sharing one quad and one cube.
inline std::vector<uint8_t> glb(const std::vector<MaterialSpec>& materials, const std::vector<NodeSpec>& nodes) {
    tinygltf::Model m;
    m.asset.version = "2.0";
    m.buffers.resize(1);
    const int quad = detail::addGeometry(m, detail::geometry(false));
    const int cube = detail::addGeometry(m, detail::geometry(true));
    for (const MaterialSpec& desc : materials) {
        tinygltf::Material material;
        material.pbrMetallicRoughness.baseColorFactor = {desc.base.r, desc.base.g, desc.base.b, desc.base.a};
        material.pbrMetallicRoughness.metallicFactor = desc.metallic;
        material.pbrMetallicRoughness.roughnessFactor = desc.roughness;
        material.pbrMetallicRoughness.baseColorTexture.index = desc.baseColorTexture;
        material.alphaMode = desc.alphaMode;
        m.materials.push_back(material);
    }
    m.scenes.resize(1);
    m.defaultScene = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const NodeSpec& desc = nodes[i];
        const int first = desc.cube ? cube : quad;
        tinygltf::Primitive primitive;
        primitive.attributes = {{"POSITION", first}, {"NORMAL", first + 1}};
        primitive.indices = first + 2;
        primitive.material = desc.material;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        tinygltf::Mesh mesh;
        mesh.primitives.push_back(primitive);
        m.meshes.push_back(mesh);
        tinygltf::Node node;
        node.mesh = int(i);
        node.translation = {desc.translation.x, desc.translation.y, desc.translation.z};
        node.rotation = {desc.rotation.x, desc.rotation.y, desc.rotation.z, desc.rotation.w};
        node.scale = {desc.scale, desc.scale, desc.scale};
        node.extras = detail::extras(desc);
        m.nodes.push_back(node);
        if (desc.parent < 0) m.scenes[0].nodes.push_back(int(i));
        else m.nodes[size_t(desc.parent)].children.push_back(int(i));
    }
    m.buffers[0].uri.clear();
    std::ostringstream out;
    tinygltf::TinyGLTF writer;
    writer.WriteGltfSceneToStream(&m, out, false, true);
    const std::string bytes = out.str();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Uploads GLB bytes as a model named name (needs a GL context).
inline std::unique_ptr<Model> upload(const std::vector<uint8_t>& bytes, const std::string& name = "test.glb") {
    auto model = std::make_unique<Model>();
    model->name = name;
    model->buffer = ByteBuffer(bytes);
    model->upload();
    return model;
}

}  // namespace scene_models
