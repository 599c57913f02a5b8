// Guards in front of the glTF parser for untrusted files: JSON nesting measured without recursion
// before the (recursive) parser sees it, and images read through a loader that checks their
// bytes' range and their header's size before anything decodes them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "content/ImageLimits.h"

namespace tinygltf {
class Model;
class TinyGLTF;
}

namespace gltf_guards {

// The deepest nesting of arrays and objects a model may have. The parser recurses once per
// level; at this depth it needs well under 64 KiB of stack, so models parse on any thread.
constexpr size_t kMaxJsonNesting = 64;

// The deepest nesting of arrays and objects in JSON text, strings stepped over; counting stops
// once it passes limit.
size_t jsonNesting(const uint8_t* text, size_t size, size_t limit = kMaxJsonNesting);

// Why the bytes may not be parsed (their JSON nested deeper than kMaxJsonNesting), or empty.
// GLB bytes are judged by their JSON chunk, other bytes as JSON text.
std::string nestingRefusal(const uint8_t* bytes, size_t size);

// What the image loader needs: the asset being parsed (its buffers are read before its images),
// the model's name for messages, and one budget share per image, kept until the texture goes.
struct ImageLoad {
    const tinygltf::Model* model = nullptr;
    std::string modelName;
    std::vector<content::TextureShare>* shares = nullptr;
};

// Makes the loader decode images through the checks; load must outlive the parse. A refused
// image is left without pixels (its texture samples as black) and named in one message.
void useCheckedImages(tinygltf::TinyGLTF& loader, ImageLoad& load);

}  // namespace gltf_guards
