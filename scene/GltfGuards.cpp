#include "scene/GltfGuards.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <tiny_gltf.h>

namespace gltf_guards {

size_t jsonNesting(const uint8_t* text, size_t size, size_t limit) {
    size_t depth = 0, deepest = 0;
    bool inString = false;
    for (size_t i = 0; i < size && deepest <= limit; ++i) {
        const uint8_t c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

std::string nestingRefusal(const uint8_t* bytes, size_t size) {
    uint32_t chunkLength = 0;
    if (size >= 20 && std::memcmp(bytes, "glTF", 4) == 0) {
        std::memcpy(&chunkLength, bytes + 12, 4);
        bytes += 20;
        size = std::min(size - 20, size_t(chunkLength));
    }
    if (jsonNesting(bytes, size) <= kMaxJsonNesting) return "";
    return "its JSON is nested deeper than " + std::to_string(kMaxJsonNesting) + " levels";
}

namespace {

// The loader hands over a buffer view's bytes without checking that the view lies in its buffer.
std::string rangeRefusal(const ImageLoad& load, const tinygltf::Image& image, int size) {
    if (image.bufferView < 0) return size < 0 ? "has no bytes" : "";
    const tinygltf::BufferView& view = load.model->bufferViews[size_t(image.bufferView)];
    const size_t length = load.model->buffers[size_t(view.buffer)].data.size();
    if (view.byteOffset > length || view.byteLength > length - view.byteOffset || size < 0 ||
        size_t(size) != view.byteLength)
        return "lies past the end of its buffer";
    return "";
}

bool loadImage(tinygltf::Image* image, const int index, std::string* err, std::string* warn, int width, int height,
               const unsigned char* bytes, int size, void* user) {
    const ImageLoad& load = *static_cast<const ImageLoad*>(user);
    if (load.shares->size() <= size_t(index)) load.shares->resize(size_t(index) + 1);
    content::TextureShare& share = (*load.shares)[size_t(index)];
    std::string refused = rangeRefusal(load, *image, size);
    int64_t w = 0, h = 0;
    if (refused.empty() && !content::imageHeaderSize(bytes, size_t(size), w, h))
        refused = "is not a PNG, JPEG, GIF or BMP image";
    if (refused.empty()) refused = share.reserve(w, h);
    if (!refused.empty()) {
        std::printf("Model %s: image %d \"%s\" %s; not loaded\n", load.modelName.c_str(), index,
                    image->name.c_str(), refused.c_str());
        return true;
    }
    // Without options the library's decoder gives RGBA.
    if (tinygltf::LoadImageData(image, index, err, warn, width, height, bytes, size, nullptr)) return true;
    share.release();
    return false;
}

}  // namespace

void useCheckedImages(tinygltf::TinyGLTF& loader, ImageLoad& load) { loader.SetImageLoader(loadImage, &load); }

}  // namespace gltf_guards
