#include <GL/glew.h>

#include <array>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include <tiny_gltf.h>

#include "content/Texture.h"
#include "scene/Animation.h"
#include "scene/Model.h"

namespace {

struct AttributeSlot {
    const char* name;
    GLuint location;
    bool integer;  // JOINTS_0 reaches the shader as integers
};

const AttributeSlot kAttributes[] = {{"POSITION", 0, false}, {"NORMAL", 1, false},   {"TEXCOORD_0", 2, false},
                                     {"TANGENT", 3, false},  {"JOINTS_0", 4, true}, {"WEIGHTS_0", 5, false}};

// An image's pixels as 8-bit RGBA, whatever channel count and depth the decoder produced;
// empty when the pixel data does not match the stated size. RGBA8 pixels are taken, not copied.
std::vector<uint8_t> rgba8(tinygltf::Image& image) {
    const int channels = image.component, bytes = image.bits == 16 ? 2 : 1;
    if (image.width <= 0 || image.height <= 0 || channels < 1 || channels > 4 || (image.bits != 8 && image.bits != 16))
        return {};
    const size_t pixels = size_t(image.width) * size_t(image.height);
    if (image.image.size() != pixels * size_t(channels * bytes)) return {};
    if (channels == 4 && bytes == 1) return std::move(image.image);
    std::vector<uint8_t> out(pixels * 4, 255);
    for (size_t p = 0; p < pixels; ++p) {
        for (int c = 0; c < channels; ++c) {
            // The high byte of a 16-bit little-endian sample.
            const uint8_t v = image.image[(p * size_t(channels) + size_t(c)) * size_t(bytes) + size_t(bytes - 1)];
            if (channels <= 2 && c == 0) out[p * 4] = out[p * 4 + 1] = out[p * 4 + 2] = v;  // grey
            else if (channels == 2) out[p * 4 + 3] = v;
            else out[p * 4 + size_t(c)] = v;
        }
    }
    return out;
}

// The texture takes the image's budget share; the decoded pixels are freed once GL holds them.
std::unique_ptr<Texture> imageTexture(tinygltf::Image& image, content::TextureShare* share) {
    auto texture = std::make_unique<Texture>();
    texture->name = image.name;
    const std::vector<uint8_t> pixels = rgba8(image);
    std::vector<unsigned char>().swap(image.image);
    if (pixels.empty()) return texture;  // name 0: samples as black
    if (share) texture->budget = std::move(*share);
    texture->width = image.width;
    texture->height = image.height;
    texture->glName = createTexture2D(image.width, image.height, pixels.data(), GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void setAttributes(const Model& model, const tinygltf::Primitive& primitive) {
    const tinygltf::Model& gltf = *model.gltf;
    for (const AttributeSlot& slot : kAttributes) {
        auto found = primitive.attributes.find(slot.name);
        if (found == primitive.attributes.end()) continue;
        const tinygltf::Accessor& a = gltf.accessors[size_t(found->second)];
        const tinygltf::BufferView& view = gltf.bufferViews[size_t(a.bufferView)];
        glBindBuffer(GL_ARRAY_BUFFER, model.gl_buffers[size_t(view.buffer)]);
        const GLint components = tinygltf::GetNumComponentsInType(uint32_t(a.type));
        const GLsizei stride = GLsizei(view.byteStride);
        const auto* offset = reinterpret_cast<const void*>(uintptr_t(a.byteOffset + view.byteOffset));
        if (slot.integer) glVertexAttribIPointer(slot.location, components, GLenum(a.componentType), stride, offset);
        else glVertexAttribPointer(slot.location, components, GLenum(a.componentType), a.normalized, stride, offset);
        glEnableVertexAttribArray(slot.location);
    }
    if (primitive.indices >= 0) {
        const tinygltf::Accessor& a = gltf.accessors[size_t(primitive.indices)];
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, model.gl_buffers[size_t(gltf.bufferViews[size_t(a.bufferView)].buffer)]);
    }
}

// What a vertex array holds for a primitive: the accessor of each attribute slot and the buffer
// of its indices (-1 for none). The index offset is the draw's, not the array's.
using VertexLayout = std::array<int, std::size(kAttributes) + 1>;

VertexLayout layoutOf(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive) {
    VertexLayout layout;
    for (size_t i = 0; i < std::size(kAttributes); ++i) {
        auto found = primitive.attributes.find(kAttributes[i].name);
        layout[i] = found == primitive.attributes.end() ? -1 : found->second;
    }
    layout.back() = primitive.indices >= 0
                        ? gltf.bufferViews[size_t(gltf.accessors[size_t(primitive.indices)].bufferView)].buffer
                        : -1;
    return layout;
}

// Primitives of the same layout share one vertex array, so that drawing one after another
// changes no vertex state; undrawable ones get an empty array of their own.
void makeVertexArrays(Model& model) {
    std::map<VertexLayout, GLuint> made;
    for (const tinygltf::Mesh& mesh : model.gltf->meshes) {
        model.mesh_vertex_arrays.emplace_back(int32_t(model.vertex_arrays.size()), int32_t(mesh.primitives.size()));
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            const bool drawable = model.primitive_draws[model.vertex_arrays.size()].drawable;
            GLuint* shared = drawable ? &made[layoutOf(*model.gltf, primitive)] : nullptr;
            GLuint name = shared ? *shared : 0;
            if (name == 0) {
                glGenVertexArrays(1, &name);
                glBindVertexArray(name);
                if (shared) setAttributes(model, primitive), *shared = name;
            }
            model.vertex_arrays.push_back(name);
        }
    }
    glBindVertexArray(0);
}

}  // namespace

void Model::upload() {
    if (ready) return;
    rememberMaxTextureSize();
    decode()();
}

// Loading goes on with whatever the parse produced, after its diagnostics.
std::function<void()> Model::decode() {
    if (ready) return [] {};
    auto diagnostics = std::make_shared<std::string>();
    parse(*diagnostics);
    return [this, diagnostics] {
        std::fputs(diagnostics->c_str(), stdout);
        for (size_t i = 0; i < gltf->images.size(); ++i)
            textures.push_back(imageTexture(gltf->images[i], i < image_budget.size() ? &image_budget[i] : nullptr));
        image_budget.clear();
        for (const tinygltf::Buffer& b : gltf->buffers) {
            GLuint name = 0;
            glGenBuffers(1, &name);
            glBindBuffer(GL_ARRAY_BUFFER, name);
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(b.data.size()), b.data.data(), GL_STATIC_DRAW);
            gl_buffers.push_back(name);
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        check();
        makeVertexArrays(*this);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        std::clog << "Number of VAOs: " << vertex_arrays.size() << std::endl;
        Animation::setUp(*this);
        Animation::createJointBuffer(*this);
        ready = true;
    };
}
