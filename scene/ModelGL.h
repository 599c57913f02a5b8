// Lookups into an uploaded model that drawing code needs: the vertex array and draw record of a
// primitive, the GL texture of a glTF texture, and node matrices.
#pragma once
#include <cstdint>

#include <glm/mat4x4.hpp>

#include "scene/Animation.h"
#include "scene/Model.h"

namespace tinygltf {
class Node;
}

namespace ModelGL {

// The vertex array of (mesh, primitive); 0 when either is out of range or not uploaded.
uint32_t vertexArray(const Model& model, int32_t mesh, int32_t primitive);

// The draw record of (mesh, primitive); null when out of range. Check drawable before drawing.
const PrimitiveDraw* primitiveDraw(const Model& model, int32_t mesh, int32_t primitive);

// The GL texture of a glTF texture index; 0 when the texture or its image is missing.
uint32_t texture(const Model& model, int32_t gltfTexture);

// The node's own matrix, or translation x rotation x scale; non-finite values give identity.
glm::mat4 nodeLocalMatrix(const tinygltf::Node& node);
// parent x local.
glm::mat4 nodeGlobalMatrix(const tinygltf::Node& node, const glm::mat4& parent);

}  // namespace ModelGL
