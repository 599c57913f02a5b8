// Bounds-checked views of glTF accessors: where an accessor's elements lie in its buffer, checked
// against the buffer view and the buffer before anything reads them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tinygltf {
class Model;
}

namespace gltf_access {

struct View {
    const uint8_t* data = nullptr;  // first element
    size_t count = 0;
    size_t stride = 0;          // bytes from one element to the next
    size_t element_size = 0;    // components x component size
    int components = 0;
    int component_type = 0;     // GL type
    uint64_t buffer_offset = 0; // of the first element within its glTF buffer
    int buffer = -1;
};

// The view of an accessor, or an empty result with the reason in *why. Sparse accessors and
// accessors without a buffer view are refused: the GPU path reads buffer views only.
bool view(const tinygltf::Model& model, int accessor, View& out, std::string* why = nullptr);

// Element i of an unsigned integer scalar accessor; UINT32_MAX for other component types.
uint32_t index(const View& view, size_t i);

// All elements of a float accessor with the given component count, or empty when it is not one.
std::vector<float> floats(const tinygltf::Model& model, int accessor, int components);

}  // namespace gltf_access
