#include <cmath>

#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <tiny_gltf.h>

#include "content/Texture.h"
#include "scene/ModelGL.h"

int32_t modelInstanceCount = 1;

namespace ModelGL {
namespace {

// Position of (mesh, primitive) in vertex_arrays, or -1.
int64_t primitiveSlot(const Model& model, int32_t mesh, int32_t primitive) {
    if (mesh < 0 || size_t(mesh) >= model.mesh_vertex_arrays.size()) return -1;
    const auto [first, count] = model.mesh_vertex_arrays[size_t(mesh)];
    if (primitive < 0 || primitive >= count) return -1;
    return int64_t(first) + primitive;
}

bool allFinite(const glm::mat4& m) {
    const float* p = glm::value_ptr(m);
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(p[i])) return false;
    return true;
}

}  // namespace

uint32_t vertexArray(const Model& model, int32_t mesh, int32_t primitive) {
    const int64_t slot = primitiveSlot(model, mesh, primitive);
    return slot >= 0 && size_t(slot) < model.vertex_arrays.size() ? model.vertex_arrays[size_t(slot)] : 0;
}

const PrimitiveDraw* primitiveDraw(const Model& model, int32_t mesh, int32_t primitive) {
    const int64_t slot = primitiveSlot(model, mesh, primitive);
    return slot >= 0 && size_t(slot) < model.primitive_draws.size() ? &model.primitive_draws[size_t(slot)] : nullptr;
}

uint32_t texture(const Model& model, int32_t gltfTexture) {
    if (!model.gltf || gltfTexture < 0 || size_t(gltfTexture) >= model.gltf->textures.size()) return 0;
    const int source = model.gltf->textures[size_t(gltfTexture)].source;
    if (source < 0 || size_t(source) >= model.textures.size() || !model.textures[size_t(source)]) return 0;
    return model.textures[size_t(source)]->glName;
}

glm::mat4 nodeLocalMatrix(const tinygltf::Node& node) {
    glm::mat4 local(1.0f);
    if (node.matrix.size() == 16) {
        float* p = glm::value_ptr(local);
        for (int i = 0; i < 16; ++i) p[i] = float(node.matrix[size_t(i)]);
    } else {
        const auto& t = node.translation;
        const auto& r = node.rotation;
        const auto& s = node.scale;
        if (t.size() == 3) local = glm::translate(local, glm::vec3(float(t[0]), float(t[1]), float(t[2])));
        if (r.size() == 4) local *= glm::mat4_cast(glm::quat(float(r[3]), float(r[0]), float(r[1]), float(r[2])));
        if (s.size() == 3) local = glm::scale(local, glm::vec3(float(s[0]), float(s[1]), float(s[2])));
    }
    return allFinite(local) ? local : glm::mat4(1.0f);
}

glm::mat4 nodeGlobalMatrix(const tinygltf::Node& node, const glm::mat4& parent) { return parent * nodeLocalMatrix(node); }

}  // namespace ModelGL
