#include "live/ShowRelease.h"

#include <GL/glew.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <utility>

#include "nodes/NodeRelease.h"
#include "show/Demo.h"

namespace live {
namespace {

void deleteTexture(uint32_t& name) {
    if (name) glDeleteTextures(1, &name);
    name = 0;
}

void releaseEffect(Effect& e) {
    if (e.vertexArray) glDeleteVertexArrays(1, &e.vertexArray);
    if (e.quadBuffer) glDeleteBuffers(1, &e.quadBuffer);
    if (e.frameBuffer) glDeleteFramebuffers(1, &e.frameBuffer);
    deleteTexture(e.frameBufferTexture);
    deleteTexture(e.captureTexture);
    e.vertexArray = e.quadBuffer = e.frameBuffer = 0;
}

void releaseModel(Model& m) {
    if (!m.vertex_arrays.empty()) glDeleteVertexArrays(GLsizei(m.vertex_arrays.size()), m.vertex_arrays.data());
    if (!m.gl_buffers.empty()) glDeleteBuffers(GLsizei(m.gl_buffers.size()), m.gl_buffers.data());
    if (m.joint_matrix_buffer) glDeleteBuffers(1, &m.joint_matrix_buffer);
    m.vertex_arrays.clear();
    m.gl_buffers.clear();
    m.joint_matrix_buffer = 0;
    for (auto& texture : m.textures)
        if (texture) deleteTexture(texture->glName);
}

}  // namespace

void releaseShow(Demo& demo) {
    glUseProgram(0);  // a program in use would only be flagged for deletion
    for (auto& g : demo.graphs) Nodes::releaseGraphState(*g);
    for (auto& p : demo.shaders) p->release();
    for (auto& t : demo.textures) deleteTexture(t->glName);
    for (auto& e : demo.effects) releaseEffect(*e);
    for (auto& f : demo.fontTextures) {
        deleteTexture(f->glName);
        if (f->surface) SDL_FreeSurface(std::exchange(f->surface, nullptr));
    }
    for (auto& m : demo.models) releaseModel(*m);
    if (demo.soundTexture) deleteTexture(demo.soundTexture->glName);
    for (auto& f : demo.fonts)
        if (f->handle) TTF_CloseFont(std::exchange(f->handle, nullptr));
    // Freeing a chunk halts the channels that play it.
    for (auto& s : demo.audioSamples)
        if (s->chunk) Mix_FreeChunk(std::exchange(s->chunk, nullptr));
}

}  // namespace live
