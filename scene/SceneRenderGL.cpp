// The model render: draw items built from the model's node walk each frame, sorted so that
// opaque draws group by pass and mesh and blended ones go far to near, then drawn pass by pass
// with their materials.
#include <GL/glew.h>

#include <algorithm>
#include <initializer_list>
#include <climits>
#include <cstdio>
#include <cmath>
#include <vector>

#include <glm/geometric.hpp>
#include <tiny_gltf.h>

#include "frame/Runtime.h"
#include "scene/ModelGL.h"
#include "scene/SceneCamera.h"
#include "scene/SceneGL.h"
#include "scene/SceneUniforms.h"
#include "shaders/ShaderProgram.h"

namespace scene {
namespace {

struct DrawItem {
    glm::mat4 global;
    int32_t pass, mesh, tag, node;
    float depth;
    bool noShadow;
};

// Kept across frames so that a steady scene allocates nothing.
struct Scratch {
    std::vector<glm::mat4> globals;
    std::vector<DrawItem> opaque, blended;
} scratch;

// Uploads to the program's scene uniforms; a uniform the program lacks is skipped.
struct Uniforms {
    const ShaderProgram& program;

    GLint at(Uniform u) const { return program.sceneLocations[u]; }
    void matrix(Uniform u, const glm::mat4& m) const {
        if (at(u) != -1) glUniformMatrix4fv(at(u), 1, GL_FALSE, &m[0][0]);
    }
    // a x b, multiplied only for a program that has the uniform.
    void product(Uniform u, const glm::mat4& a, const glm::mat4& b) const {
        if (at(u) != -1) matrix(u, a * b);
    }
    void vec3(Uniform u, float x, float y, float z) const {
        if (at(u) != -1) glUniform3f(at(u), x, y, z);
    }
    void vec4(Uniform u, float x, float y, float z, float w) const {
        if (at(u) != -1) glUniform4f(at(u), x, y, z, w);
    }
    void number(Uniform u, float v) const {
        if (at(u) != -1) glUniform1f(at(u), v);
    }
    void integer(Uniform u, int32_t v) const {
        if (at(u) != -1) glUniform1i(at(u), v);
    }
};

constexpr int32_t kNoneApplied = -2;  // -1 stands for "no material"

struct Frame {
    Model& model;
    const tinygltf::Model& gltf;
    const ShaderProgram& program;
    Uniforms uniforms;
    glm::mat4 view, viewProjection, lightViewProjection;
    bool shadowPass;
    int32_t instance;
    GLuint boundVertexArray = 0;
    // The material whose uniforms, textures and GL state are in place; kNoneApplied before the
    // first.
    int32_t appliedMaterial = kNoneApplied;
};

double factor(const std::vector<double>& values, size_t i, double fallback) {
    return i < values.size() ? values[i] : fallback;
}

// Extras are the show maker's JSON: numbers of any size and type may stand where ints belong.
int32_t extrasInt(const tinygltf::Value& extras, const char* key, int32_t fallback) {
    if (!extras.IsObject() || !extras.Has(key)) return fallback;
    const tinygltf::Value& v = extras.Get(key);
    if (v.IsInt()) return v.Get<int>();
    if (!v.IsNumber() || !std::isfinite(v.GetNumberAsDouble())) return fallback;
    return int32_t(std::clamp(v.GetNumberAsDouble(), double(INT_MIN), double(INT_MAX)));
}

bool extrasTrue(const tinygltf::Value& extras, const char* key) {
    if (!extras.IsObject() || !extras.Has(key)) return false;
    const tinygltf::Value& v = extras.Get(key);
    return v.IsBool() && v.Get<bool>();
}

const tinygltf::Material* materialOf(const tinygltf::Model& gltf, int32_t index) {
    return index >= 0 && size_t(index) < gltf.materials.size() ? &gltf.materials[size_t(index)] : nullptr;
}

bool isBlended(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive) {
    const tinygltf::Material* material = materialOf(gltf, primitive.material);
    return material && material->alphaMode == "BLEND";
}

const tinygltf::Mesh* meshOf(const tinygltf::Model& gltf, const tinygltf::Node& node) {
    return node.mesh >= 0 && size_t(node.mesh) < gltf.meshes.size() ? &gltf.meshes[size_t(node.mesh)] : nullptr;
}

void setCull(bool on) { on ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE); }

GLint oneOf(int value, std::initializer_list<GLint> allowed, GLint fallback) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end() ? GLint(value) : fallback;
}

// The glTF texture's sampler on the bound texture (images shared by textures with different
// samplers get theirs at each bind): clamp-to-edge and linear where it names none, the format's
// repeat where a sampler leaves a wrap out. Mipmaps are always made, so mipmap filters work.
void applySampler(const tinygltf::Model& gltf, int32_t gltfTexture) {
    const int index = gltf.textures[size_t(gltfTexture)].sampler;
    const tinygltf::Sampler* sampler = index >= 0 && size_t(index) < gltf.samplers.size() ? &gltf.samplers[size_t(index)] : nullptr;
    const GLint wrapFallback = sampler ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    const std::initializer_list<GLint> wraps = {GL_REPEAT, GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, oneOf(sampler ? sampler->wrapS : 0, wraps, wrapFallback));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, oneOf(sampler ? sampler->wrapT : 0, wraps, wrapFallback));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER,
                    oneOf(sampler ? sampler->magFilter : 0, {GL_NEAREST, GL_LINEAR}, GL_LINEAR));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    oneOf(sampler ? sampler->minFilter : 0,
                          {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                           GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
                          GL_LINEAR));
}

// One map of a material on its scene unit, the sampler set to that unit's number.
void bindMap(const Frame& f, TextureUnit unit, Uniform sampler, Uniform has, int32_t gltfTexture, GLuint missing) {
    const GLuint texture = gltfTexture >= 0 ? ModelGL::texture(f.model, gltfTexture) : 0;
    glActiveTexture(f.program.sceneTextureUnits[unit]);
    glBindTexture(GL_TEXTURE_2D, texture != 0 ? texture : missing);
    if (texture != 0) applySampler(f.gltf, gltfTexture);
    f.uniforms.integer(sampler, GLint(f.program.sceneTextureUnits[unit] - GL_TEXTURE0));
    f.uniforms.integer(has, gltfTexture >= 0 ? 1 : 0);
}

void applyNoMaterial(const Frame& f) {
    const Uniforms& u = f.uniforms;
    u.vec4(uBaseColorFactor, 1.0f, 1.0f, 1.0f, 1.0f);
    u.integer(uHasBaseColorTex, 0);
    u.number(uMetallicFactor, 1.0f);
    u.number(uRoughnessFactor, 1.0f);
    u.integer(uHasMetallicRoughnessTex, 0);
    u.vec3(uEmissiveFactor, 0.0f, 0.0f, 0.0f);
    u.integer(uHasEmissiveTex, 0);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
}

// A factor of 0 or below means "not set" for metallic and roughness: both then count as 1, and
// roughness never goes below 0.04.
void applyMaterial(const Frame& f, const tinygltf::Material& m) {
    const Uniforms& u = f.uniforms;
    const tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
    const std::vector<double>& base = pbr.baseColorFactor;
    u.vec4(uBaseColorFactor, float(factor(base, 0, 1)), float(factor(base, 1, 1)), float(factor(base, 2, 1)),
           float(factor(base, 3, 1)));
    bindMap(f, kBaseColourUnit, uBaseColorTex, uHasBaseColorTex, pbr.baseColorTexture.index, defaultWhiteTexture);
    u.number(uMetallicFactor, pbr.metallicFactor > 0.0 ? float(pbr.metallicFactor) : 1.0f);
    u.number(uRoughnessFactor, std::max(pbr.roughnessFactor > 0.0 ? float(pbr.roughnessFactor) : 1.0f, 0.04f));
    bindMap(f, kMetallicRoughnessUnit, uMetallicRoughnessTex, uHasMetallicRoughnessTex,
            pbr.metallicRoughnessTexture.index, 0);
    u.vec3(uEmissiveFactor, float(factor(m.emissiveFactor, 0, 0)), float(factor(m.emissiveFactor, 1, 0)),
           float(factor(m.emissiveFactor, 2, 0)));
    bindMap(f, kEmissiveUnit, uEmissiveTex, uHasEmissiveTex, m.emissiveTexture.index, 0);
    bindMap(f, kNormalUnit, uNormalTex, uHasNormalTex, m.normalTexture.index, 0);
    u.number(uNormalScale, float(m.normalTexture.scale));
    bindMap(f, kOcclusionUnit, uOcclusionTex, uHasOcclusionTex, m.occlusionTexture.index, 0);
    u.number(uOcclusionStrength, float(m.occlusionTexture.strength));
    glActiveTexture(GL_TEXTURE0);
    if (m.alphaMode == "MASK") u.number(uAlphaCutoff, float(m.alphaCutoff));
    const bool blend = m.alphaMode == "BLEND";
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glDepthMask(blend ? GL_FALSE : GL_TRUE);
    setCull(!(m.doubleSided || blend));
}

// The instance count, cut so that one draw submits at most kMaxDrawElements vertices or
// indices: the GL cannot be interrupted inside a draw, and a count of billions would hold the
// frame (and the process, deaf to the quit request) for hours. Said once per model.
GLsizei boundedInstances(Model& model, const PrimitiveDraw& draw) {
    const GLsizei asked = modelInstanceCount;
    if (asked < 2 || draw.count <= 0 || uint64_t(draw.count) * uint64_t(asked) <= kMaxDrawElements) return asked;
    const GLsizei allowed = GLsizei(std::max<uint64_t>(1, kMaxDrawElements / uint64_t(draw.count)));
    if (!model.draw_bound_reported) {
        std::printf("Model %s: %d instances of %d elements pass the %llu one draw may submit; drawn %d times\n",
                    model.name.c_str(), asked, draw.count, static_cast<unsigned long long>(kMaxDrawElements), allowed);
        model.draw_bound_reported = true;
    }
    return allowed;
}

void drawPrimitive(Frame& f, int32_t mesh, int32_t primitive) {
    const PrimitiveDraw* draw = ModelGL::primitiveDraw(f.model, mesh, primitive);
    if (!draw || !draw->drawable) return;
    const GLuint vertexArray = ModelGL::vertexArray(f.model, mesh, primitive);
    if (vertexArray != f.boundVertexArray) {
        glBindVertexArray(vertexArray);
        f.boundVertexArray = vertexArray;
    }
    const GLenum mode = GLenum(draw->mode);
    const GLsizei instances = boundedInstances(f.model, *draw);
    if (draw->index_type != 0) {
        const void* offset = reinterpret_cast<const void*>(uintptr_t(draw->index_offset));
        if (instances >= 2)
            glDrawElementsInstanced(mode, draw->count, draw->index_type, offset, instances);
        else
            glDrawElements(mode, draw->count, draw->index_type, offset);
    } else if (instances >= 2) {
        glDrawArraysInstanced(mode, 0, draw->count, instances);
    } else {
        glDrawArrays(mode, 0, draw->count);
    }
}

void drawItem(Frame& f, const DrawItem& item, bool blended) {
    if (f.shadowPass && item.noShadow) return;
    const Uniforms& u = f.uniforms;
    u.product(uModelViewProjMatrix, f.viewProjection, item.global);
    u.matrix(uModelMatrix, item.global);
    u.product(uModelViewMatrix, f.view, item.global);
    u.product(uLightMVPMatrix, f.lightViewProjection, item.global);
    if (f.program.locations.nodeIdx != -1) glUniform1i(f.program.locations.nodeIdx, item.node);
    u.integer(uTag, item.tag);
    u.integer(uInstance, f.instance);
    const std::vector<tinygltf::Primitive>& primitives = f.gltf.meshes[size_t(item.mesh)].primitives;
    for (size_t p = 0; p < primitives.size(); ++p) {
        const tinygltf::Material* material = materialOf(f.gltf, primitives[p].material);
        u.integer(uMaterialIndex, material ? primitives[p].material : -1);
        if (isBlended(f.gltf, primitives[p]) != blended) continue;
        if (f.model.skipMaterials) {
            if (blended) continue;
        } else if (const int32_t index = material ? primitives[p].material : -1; index != f.appliedMaterial) {
            material ? applyMaterial(f, *material) : applyNoMaterial(f);
            f.appliedMaterial = index;
        }
        if (blended) {
            // Back faces first, then front faces, so a closed transparent shape blends in order.
            // Culling is all a blended draw leaves changed, and only blended draws (which set it
            // themselves) share a blended material: the material stays applied.
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
            drawPrimitive(f, item.mesh, int32_t(p));
            glCullFace(GL_BACK);
        }
        drawPrimitive(f, item.mesh, int32_t(p));
    }
}

// Global matrices down the walk (parents come first in it); a node the animation moves takes
// its animated matrix as is. Items for every node with a mesh.
void buildItems(Frame& f) {
    const std::vector<NodeVisit>& walk = f.model.scene_walk;
    scratch.globals.resize(walk.size());
    scratch.opaque.clear();
    scratch.blended.clear();
    f.model.highest_render_pass = 1;
    for (size_t i = 0; i < walk.size(); ++i) {
        const int32_t index = walk[i].node;
        if (index < 0 || size_t(index) >= f.gltf.nodes.size()) continue;
        const tinygltf::Node& node = f.gltf.nodes[size_t(index)];
        glm::mat4& global = scratch.globals[i];
        if (size_t(index) < f.model.animated_nodes.size() && f.model.animated_nodes[size_t(index)] &&
            size_t(index) < f.model.animated_node_matrices.size())
            global = f.model.animated_node_matrices[size_t(index)];
        else
            global = ModelGL::nodeGlobalMatrix(node, walk[i].parent >= 0 ? scratch.globals[size_t(walk[i].parent)]
                                                                          : glm::mat4(1.0f));
        const tinygltf::Mesh* mesh = meshOf(f.gltf, node);
        if (!mesh) continue;
        bool anyBlended = false, anyOpaque = false;
        for (const tinygltf::Primitive& primitive : mesh->primitives)
            (isBlended(f.gltf, primitive) ? anyBlended : anyOpaque) = true;
        DrawItem item{global, extrasInt(node.extras, "render_pass", 1), node.mesh, extrasInt(node.extras, "tag", 0),
                      index, 0.0f, extrasTrue(node.extras, "shadow")};
        f.model.highest_render_pass = std::max(f.model.highest_render_pass, item.pass);
        if (anyBlended) {
            const float z = (f.view * global)[3].z;
            item.depth = std::isnan(z) ? -INFINITY : z;  // NaN would break the sort's ordering
            scratch.blended.push_back(item);
        }
        if (anyOpaque) scratch.opaque.push_back(item);
    }
}

// Both lists go pass first; within a pass opaque items group by mesh and blended ones go far to
// near (view-space z ascending). Walking the passes present is the same as counting up to the
// highest pass, without a loop that content could make two billion steps long.
void sortItems() {
    std::sort(scratch.opaque.begin(), scratch.opaque.end(), [](const DrawItem& a, const DrawItem& b) {
        if (a.pass != b.pass) return a.pass < b.pass;
        if (a.mesh != b.mesh) return a.mesh < b.mesh;
        if (a.tag != b.tag) return a.tag < b.tag;
        return a.node < b.node;
    });
    std::sort(scratch.blended.begin(), scratch.blended.end(), [](const DrawItem& a, const DrawItem& b) {
        if (a.pass != b.pass) return a.pass < b.pass;
        if (a.depth != b.depth) return a.depth < b.depth;
        return a.node < b.node;
    });
}

void drawPasses(Frame& f) {
    const std::vector<DrawItem>& opaque = scratch.opaque;
    const std::vector<DrawItem>& blended = scratch.blended;
    size_t o = 0, b = 0;
    while (o < opaque.size() && opaque[o].pass < 1) ++o;  // passes below 1 are never drawn
    while (b < blended.size() && blended[b].pass < 1) ++b;
    while (o < opaque.size() || b < blended.size()) {
        const int32_t pass = std::min(o < opaque.size() ? opaque[o].pass : INT_MAX,
                                      b < blended.size() ? blended[b].pass : INT_MAX);
        for (; o < opaque.size() && opaque[o].pass == pass; ++o) drawItem(f, opaque[o], false);
        for (; b < blended.size() && blended[b].pass == pass; ++b) drawItem(f, blended[b], true);
    }
}

}  // namespace

void renderModel(Model& model, Scene& scene, ShaderProgram& program, int32_t instance) {
    Camera* camera = activeCamera(scene);
    if (!camera || !model.gltf) return;
    const glm::mat4 view = viewMatrix(*camera);
    const glm::mat4 lightViewProjection = projectionMatrix(scene.light_camera) * viewMatrix(scene.light_camera);
    Frame f{model, *model.gltf, program, Uniforms{program}, view, projectionMatrix(*camera) * view,
            lightViewProjection, scene.shadow_pass, instance};
    const glm::vec3& eye = camera->position;
    f.uniforms.vec3(uCameraPos, eye.x, eye.y, eye.z);
    const float length = glm::length(camera->light_direction);
    const glm::vec3 light = length > 0.0f ? camera->light_direction / length : glm::vec3(0.0f);
    f.uniforms.vec3(uLightDir, light.x, light.y, light.z);
    f.uniforms.vec3(uLightColor, 0.57735026f, 0.57735026f, 0.57735026f);
    f.uniforms.matrix(uViewProjMatrix, f.viewProjection);
    buildItems(f);
    sortItems();
    drawPasses(f);
}

}  // namespace scene
