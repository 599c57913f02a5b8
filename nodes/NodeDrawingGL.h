// Drawing steps shared by the node types that draw: the screen quad, making a program current
// from "size" and "tex" inputs, copying the screen into a node's texture, off-screen targets.
#pragma once
#include <cstdint>
#include <optional>

#include "graph/NodeType.h"

class ShaderProgram;

namespace Nodes {

struct Size {
    int32_t width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// A "size" input counts when it is present and both sides are positive and texture-sized.
std::optional<Size> sizeInput(const values::MaybeValue& input);
Size sizeOrRenderSize(const values::MaybeValue& input);
values::Value sizeValue(Size size);
Size sizeIn(const values::MaybeValue& slot);

// Makes the slot's screen quad when it is empty, then binds its vertex array together with the
// quad vertices, so that the next program made current points its "vp" at them.
void bindScreenQuad(values::MaybeValue& slot);
// Two triangles from the bound vertex array, blended; nothing without a program in use.
void drawScreenQuad();
// False after a program that did not link was made current: draws then draw nothing.
bool programInUse();

// What "Shader" does: viewport and render size from "size", the program with its standard
// uniforms and defaults, "tex" on unit 0, "vp" of the bound vertex array. A program that did not
// link unbinds the program instead, so the previous one does not draw in its place.
void useProgram(const ShaderProgram& program, const values::MaybeValue& size, const values::MaybeValue& tex);
// Sampler units a node may hand out; unit 16 belongs to the sound texture.
constexpr int kSamplerUnits = 16;
// Binds a texture on the next free unit for a sampler uniform; returns the next unit after it.
int bindSampler(int32_t location, uint32_t texture, int unit);

// What "ScreenToTexture" does, on a texture slot and a pixel-buffer slot of the node.
void copyScreenToTexture(values::MaybeValue& textureSlot, values::MaybeValue& bufferSlot,
                         const values::MaybeValue& size, values::MaybeValue& output);
// Reads come from the back buffer when the default frame buffer is bound, else from the bound one.
void readFromBackBuffer();

// Off-screen target textures: 24-bit depth, or float colour that gets mipmapped after drawing.
uint32_t createTargetTexture(bool depth, Size size);
void resizeTargetTexture(uint32_t texture, bool depth, Size size);
// A new frame buffer, left bound, with the texture on the attachment.
uint32_t createFrameBuffer(uint32_t texture, uint32_t attachment);

}  // namespace Nodes
