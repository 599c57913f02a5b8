#include <GL/glew.h>

#include "audio/Audio.h"
#include "show/Demo.h"
#include "graph/ExecutionContext.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"

namespace Nodes {

using values::Value;

void executeTexture(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext& context) {
    const ::Texture* texture = context.demo ? itemAt(context.demo->textures, inputs[0]) : nullptr;
    if (texture) outputs[0] = Value::ofName(values::Texture, texture->glName);
}

void executeSoundTexture(ValueList&, ValueList& outputs, ValueList&, ExecutionContext& context) {
    if (!context.demo || !context.demo->soundTexture) return;
    audio::uploadSoundTexture(*context.demo->soundTexture);
    outputs[0] = Value::ofName(values::Texture, context.demo->soundTexture->glName);
}

// The font texture draws only when the text differs from what it holds.
void executeFontTexture(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext& context) {
    FontTexture* fontTexture = context.demo ? itemAt(context.demo->fontTextures, inputs[0]) : nullptr;
    if (!fontTexture) return;
    fontTexture->setText(inputs[1].value.text);
    outputs[0] = Value::ofName(values::Texture, fontTexture->glName);
}

}  // namespace Nodes
