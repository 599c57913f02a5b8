#include "nodes/NodesGL.h"

namespace Nodes {
namespace {

struct Row {
    const char* name;
    ExecuteFn execute;
};

const Row kDrawingRows[] = {
    {"TwoTriangles", executeTwoTriangles},
    {"DrawTriangles", executeDrawTriangles},
    {"Shader", executeShader},
    {"ScreenToTexture", executeScreenToTexture},
    {"Effect2D", executeEffect2D},
    {"Texture", executeTexture},
    {"SoundTexture", executeSoundTexture},
    {"FontTexture", executeFontTexture},
    {"Clear", executeClear},
    {"SetFrameBuffer", executeSetFrameBuffer},
    {"ClearFrameBuffer", executeClearFrameBuffer},
    {"ReadPixel", executeReadPixel},
    {"Animation", executeAnimation},
    {"ModelOptions", executeModelOptions},
};

}  // namespace

void installLiveExecutes(NodeCatalogue& catalogue) {
    for (const Row& row : kDrawingRows) {
        if (NodeType* type = catalogue.find(row.name)) type->execute = row.execute;
    }
    catalogue.generated.shaderProgram = executeShaderProgramNode;
    catalogue.generated.scene = executeSceneNode;
}

}  // namespace Nodes
