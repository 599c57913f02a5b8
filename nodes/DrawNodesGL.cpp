#include <GL/glew.h>

#include "show/Demo.h"
#include "graph/ExecutionContext.h"
#include "nodes/NodeDrawingGL.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"
#include "frame/Runtime.h"

namespace Nodes {

using values::Value;

// The vertex array is bound again on every run, so that a "Shader" after it points its "vp" at
// this quad and not at whatever an earlier draw of the frame left bound.
void executeTwoTriangles(ValueList&, ValueList& outputs, ValueList& state, ExecutionContext&) {
    bindScreenQuad(state[0]);
    outputs[0] = state[0];
    outputs[1] = Value::ofInt(6);
}

// Vertex array 0 cannot be drawn from in a core profile, and a negative count is refused; without
// a program in use ("Shader" with one that did not link) nothing is drawn.
void executeDrawTriangles(ValueList& inputs, ValueList&, ValueList&, ExecutionContext&) {
    const GLuint vertexArray = glNameOf(inputs[0]);
    const GLsizei count = inputs[1].value.asInt();
    if (vertexArray == 0 || count <= 0 || !programInUse()) return;
    glEnable(GL_BLEND);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, count);
}

// Only a handle that resolves to a program counts; the default integer 0, or any other plain
// number, selects nothing.
void executeShader(ValueList& inputs, ValueList&, ValueList&, ExecutionContext&) {
    if (const ShaderProgram* program = referenced<ShaderProgram>(inputs[0])) useProgram(*program, inputs[1], inputs[2]);
}

void executeScreenToTexture(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext&) {
    copyScreenToTexture(state[0], state[1], inputs[0], outputs[0]);
}

// The quad is bound before the program is made current, so the program's "vp" points at it
// from the first frame on. The size holds for this draw and its copy only.
void executeEffect2D(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context) {
    ShaderProgram* program = context.demo ? itemAt(context.demo->shaders, inputs[0]) : nullptr;
    if (!program) return;
    const RenderSize remembered = renderSize;
    bindScreenQuad(state[0]);
    useProgram(*program, inputs[1], inputs[2]);
    drawScreenQuad();
    copyScreenToTexture(state[1], state[2], inputs[1], outputs[0]);
    renderSize = remembered;
    glViewport(0, 0, renderSize.width, renderSize.height);
}

void executeClear(ValueList& inputs, ValueList&, ValueList&, ExecutionContext&) {
    glClearColor(inputs[0].value.asFloat(), inputs[1].value.asFloat(), inputs[2].value.asFloat(),
                 inputs[3].value.asFloat());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace Nodes
