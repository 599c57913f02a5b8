#include "scene/GltfAccess.h"

#include <cstring>

#include <tiny_gltf.h>

namespace gltf_access {
namespace {

bool fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool view(const tinygltf::Model& model, int accessor, View& out, std::string* why) {
    out = View{};
    if (accessor < 0 || size_t(accessor) >= model.accessors.size()) return fail(why, "accessor index out of range");
    const tinygltf::Accessor& a = model.accessors[size_t(accessor)];
    if (a.sparse.isSparse) return fail(why, "sparse accessor");
    if (a.bufferView < 0 || size_t(a.bufferView) >= model.bufferViews.size()) return fail(why, "no buffer view");
    const tinygltf::BufferView& bv = model.bufferViews[size_t(a.bufferView)];
    if (bv.buffer < 0 || size_t(bv.buffer) >= model.buffers.size()) return fail(why, "buffer index out of range");
    const std::vector<unsigned char>& bytes = model.buffers[size_t(bv.buffer)].data;
    if (bv.byteOffset > bytes.size() || bv.byteLength > bytes.size() - bv.byteOffset)
        return fail(why, "buffer view runs past its buffer");
    const int componentSize = tinygltf::GetComponentSizeInBytes(uint32_t(a.componentType));
    const int components = tinygltf::GetNumComponentsInType(uint32_t(a.type));
    if (componentSize <= 0 || components <= 0) return fail(why, "unknown accessor type");
    const size_t element = size_t(componentSize) * size_t(components);
    const size_t stride = bv.byteStride ? bv.byteStride : element;
    if (stride < element) return fail(why, "stride smaller than an element");
    if (a.byteOffset > bv.byteLength) return fail(why, "accessor runs past its buffer view");
    if (a.count > 0) {
        const size_t room = bv.byteLength - a.byteOffset;
        if (room < element || (a.count - 1) > (room - element) / stride)
            return fail(why, "accessor runs past its buffer view");
    }
    out.buffer_offset = bv.byteOffset + a.byteOffset;
    out.data = bytes.data() + out.buffer_offset;
    out.count = a.count;
    out.stride = stride;
    out.element_size = element;
    out.components = components;
    out.component_type = a.componentType;
    return true;
}

uint32_t index(const View& v, size_t i) {
    const uint8_t* p = v.data + i * v.stride;
    switch (v.component_type) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return p[0];
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        uint16_t s;
        std::memcpy(&s, p, 2);
        return s;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        uint32_t u;
        std::memcpy(&u, p, 4);
        return u;
    }
    default: return UINT32_MAX;  // not an index type
    }
}

std::vector<float> floats(const tinygltf::Model& model, int accessor, int components) {
    View v;
    if (!view(model, accessor, v) || v.component_type != TINYGLTF_COMPONENT_TYPE_FLOAT || v.components != components)
        return {};
    std::vector<float> out(v.count * size_t(components));
    for (size_t i = 0; i < v.count; ++i) std::memcpy(&out[i * size_t(components)], v.data + i * v.stride, 4 * size_t(components));
    return out;
}

}  // namespace gltf_access
