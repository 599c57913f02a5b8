// Execute operations of the node types that draw: the built-in GPU rows of the catalogue and the
// shader program nodes the linking pass generates.
#pragma once
#include "graph/NodeType.h"

namespace Nodes {

// Fills the execute operation of the drawing rows and the one the shaders linking pass copies
// into every program node type it makes, so it must run before content is read.
void installLiveExecutes(NodeCatalogue& catalogue);

void executeTwoTriangles(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeDrawTriangles(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeShader(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeScreenToTexture(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeEffect2D(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeClear(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

void executeTexture(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeSoundTexture(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeFontTexture(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

void executeSetFrameBuffer(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeClearFrameBuffer(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeReadPixel(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

// "Animation" poses a model and uploads its joint matrices; "ModelOptions" sets the instance count
// of scene drawing and a model's skip-materials flag.
void executeAnimation(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);
void executeModelOptions(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

// The node of a type named after a program's fragment file: draws a private, patchable copy of
// that program to the screen or into its own frame buffer.
void executeShaderProgramNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

// The node of a type named after a scene: draws it with a private copy of the program its
// "shader" input picks, through the camera its other inputs adjust.
void executeSceneNode(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

}  // namespace Nodes
