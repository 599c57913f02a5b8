#include "nodes/NodeRelease.h"

#include <GL/glew.h>

#include "graph/Graph.h"
#include "graph/NodeValues.h"
#include "nodes/NodeDrawingGL.h"
#include "nodes/NodesGL.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"

namespace Nodes {
namespace {

enum class Held { VertexArray, Texture, FrameBuffer, RenderBuffer, PixelBuffer, ProgramCopy };

struct HeldSlot {
    size_t slot;
    Held what;
};

// The slots each drawing execute fills, as it lays out its state.
struct StateLayout {
    ExecuteFn execute;
    std::vector<HeldSlot> slots;
};

const std::vector<StateLayout>& layouts() {
    using H = Held;
    static const std::vector<StateLayout> table = {
        {executeTwoTriangles, {{0, H::VertexArray}}},
        {executeScreenToTexture, {{0, H::Texture}, {1, H::PixelBuffer}}},
        {executeEffect2D, {{0, H::VertexArray}, {1, H::Texture}, {2, H::PixelBuffer}}},
        {executeSetFrameBuffer, {{0, H::FrameBuffer}, {2, H::Texture}, {3, H::RenderBuffer}}},
        {executeShaderProgramNode,
         {{0, H::VertexArray}, {1, H::Texture}, {2, H::PixelBuffer}, {4, H::FrameBuffer}, {6, H::Texture}, {9, H::ProgramCopy}}},
        {executeSceneNode, {{3, H::ProgramCopy}}},
    };
    return table;
}

void deleteProgramCopy(values::MaybeValue& slot) {
    if (ShaderProgram* copy = referenced<ShaderProgram>(slot)) copy->release();
    replaceOwned<ShaderProgram>(slot, nullptr);
}

void release(values::MaybeValue& slot, Held what) {
    if (!slot.hasValue) return;
    GLuint name = glNameOf(slot);
    switch (what) {
        case Held::VertexArray: glDeleteVertexArrays(1, &name); break;
        case Held::Texture: glDeleteTextures(1, &name); break;
        case Held::FrameBuffer: glDeleteFramebuffers(1, &name); break;
        case Held::RenderBuffer: glDeleteRenderbuffers(1, &name); break;
        case Held::PixelBuffer: replaceOwned<PixelBuffer>(slot, nullptr); break;
        case Held::ProgramCopy: deleteProgramCopy(slot); break;
    }
    slot = {};
}

}  // namespace

void releaseGraphState(Graph& graph) {
    for (auto& node : graph.nodes) {
        if (!node->def) continue;
        for (const StateLayout& layout : layouts()) {
            if (node->def->execute != layout.execute) continue;
            for (const HeldSlot& held : layout.slots)
                if (held.slot < node->state.size()) release(node->state[held.slot], held.what);
        }
    }
}

}  // namespace Nodes
