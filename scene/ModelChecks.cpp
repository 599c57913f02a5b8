// The load-time checks of a parsed model: every primitive's accessors, indices and positions are
// checked before the GPU may read them, and the node hierarchy is walked once without recursion.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include <tiny_gltf.h>

#include "scene/GltfAccess.h"
#include "scene/Model.h"

namespace {

// The attributes the vertex arrays use; others are ignored and need no check.
const char* const kUsedAttributes[] = {"POSITION", "NORMAL", "TEXCOORD_0", "TANGENT", "JOINTS_0", "WEIGHTS_0"};

bool isUsed(const std::string& name) {
    for (const char* used : kUsedAttributes)
        if (name == used) return true;
    return false;
}

bool isIntegerType(int type) {
    return type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

bool finitePositions(const gltf_access::View& v) {
    if (v.component_type != TINYGLTF_COMPONENT_TYPE_FLOAT) return true;
    for (size_t i = 0; i < v.count; ++i) {
        float xyz[4];
        std::memcpy(xyz, v.data + i * v.stride, 4 * size_t(v.components));
        for (int c = 0; c < v.components; ++c)
            if (!std::isfinite(xyz[c])) return false;
    }
    return true;
}

// Fills the draw record of a primitive, or returns why it cannot be drawn.
std::string checkPrimitive(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, PrimitiveDraw& draw) {
    using gltf_access::View;
    if (primitive.mode < -1 || primitive.mode > TINYGLTF_MODE_TRIANGLE_FAN) return "unknown primitive mode";
    if (!primitive.attributes.count("POSITION")) return "no POSITION attribute";
    size_t vertices = SIZE_MAX;
    std::string why;
    for (const auto& [name, accessor] : primitive.attributes) {
        if (!isUsed(name)) continue;
        View v;
        if (!gltf_access::view(gltf, accessor, v, &why)) return name + ": " + why;
        if (v.components > 4 || v.count > size_t(INT32_MAX)) return name + ": unusable accessor type";
        if (name == "JOINTS_0" && !isIntegerType(v.component_type)) return "JOINTS_0 is not unsigned integers";
        if (name == "POSITION" && !finitePositions(v)) return "non-finite positions";
        vertices = std::min(vertices, v.count);
    }
    draw.mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    if (primitive.indices < 0) {
        // Drawn without indices: as many vertices as the alphabetically first attribute holds.
        const int first = primitive.attributes.begin()->second;
        if (first < 0 || size_t(first) >= gltf.accessors.size() || gltf.accessors[size_t(first)].count > vertices)
            return "vertex count exceeds an attribute's accessor";
        draw.count = int32_t(gltf.accessors[size_t(first)].count);
        return "";
    }
    View indices;
    if (!gltf_access::view(gltf, primitive.indices, indices, &why)) return "indices: " + why;
    if (indices.components != 1 || !isIntegerType(indices.component_type) || indices.stride != indices.element_size ||
        indices.buffer_offset % indices.element_size != 0 || indices.count > size_t(INT32_MAX))
        return "indices are not packed unsigned integers";
    for (size_t i = 0; i < indices.count; ++i)
        if (gltf_access::index(indices, i) >= vertices) return "index past the vertex count";
    draw.count = int32_t(indices.count);
    draw.index_type = uint32_t(indices.component_type);
    draw.index_offset = indices.buffer_offset;
    return "";
}

// The default scene's nodes, parents first, each node once however often it is reached.
void walkScene(const tinygltf::Model& gltf, const std::string& name, std::vector<NodeVisit>& walk) {
    // The format draws only the default scene: a file naming none (or a missing one) draws
    // nothing, which is worth saying when it has something to draw.
    const int scene = gltf.defaultScene;
    if (scene < 0 || size_t(scene) >= gltf.scenes.size()) {
        if (gltf.meshes.empty()) return;
        if (scene < 0) std::printf("Model %s: no default scene (\"scene\"); it draws nothing\n", name.c_str());
        else std::printf("Model %s: the default scene %d does not exist; it draws nothing\n", name.c_str(), scene);
        return;
    }
    const size_t nodeCount = gltf.nodes.size();
    std::vector<bool> seen(nodeCount, false);
    // Pending (node, parent visit) pairs, pushed in reverse so that children are visited in order.
    std::vector<NodeVisit> pending;
    const std::vector<int>& roots = gltf.scenes[size_t(scene)].nodes;
    for (auto r = roots.rbegin(); r != roots.rend(); ++r) pending.push_back({*r, -1});
    while (!pending.empty()) {
        const NodeVisit visit = pending.back();
        pending.pop_back();
        if (visit.node < 0 || size_t(visit.node) >= nodeCount) {
            std::printf("Model %s: node %d does not exist\n", name.c_str(), visit.node);
            continue;
        }
        if (seen[size_t(visit.node)]) {
            std::printf("Model %s: node %d appears twice in the hierarchy (a cycle?); drawn once\n", name.c_str(),
                        visit.node);
            continue;
        }
        seen[size_t(visit.node)] = true;
        const int32_t position = int32_t(walk.size());
        walk.push_back(visit);
        const std::vector<int>& children = gltf.nodes[size_t(visit.node)].children;
        for (auto c = children.rbegin(); c != children.rend(); ++c) pending.push_back({*c, position});
    }
}

}  // namespace

void Model::check() {
    primitive_draws.clear();
    scene_walk.clear();
    if (!gltf) return;
    for (size_t m = 0; m < gltf->meshes.size(); ++m) {
        const auto& primitives = gltf->meshes[m].primitives;
        for (size_t p = 0; p < primitives.size(); ++p) {
            PrimitiveDraw draw;
            const std::string why = checkPrimitive(*gltf, primitives[p], draw);
            draw.drawable = why.empty();
            if (!draw.drawable)
                std::printf("Model %s: mesh %zu primitive %zu is not drawn: %s\n", name.c_str(), m, p, why.c_str());
            primitive_draws.push_back(draw);
        }
    }
    walkScene(*gltf, name, scene_walk);
}

int32_t Model::largestDrawCount() const {
    int32_t largest = 0;
    for (const PrimitiveDraw& draw : primitive_draws)
        if (draw.drawable) largest = std::max(largest, draw.count);
    return largest;
}
