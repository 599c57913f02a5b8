// Model upload read back through pixels: vertex arrays with the fixed attribute locations, image
// textures, skinning through the joint-matrix buffer, and the 100-joint limit of that buffer.
#include <GL/glew.h>

#include <filesystem>

#include "show/Demo.h"
#include "content/Texture.h"
#include "graph/ExecutionContext.h"
#include "graph/Graph.h"
#include "nodes/NodesGL.h"
#include "scene/Animation.h"
#include "scene/Model.h"
#include "scene/ModelGL.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"

using namespace gl_support;

namespace {

const std::filesystem::path kExample = std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "resources";

class ModelGLTest : public GLTest {
protected:
    void TearDown() override {
        glUseProgram(0);
        glBindVertexArray(0);
        if (program_) glDeleteProgram(program_);
        GLTest::TearDown();
    }

    // A program whose vertex stage is the given body over the model's attribute locations.
    GLuint program(const std::string& vertexBody, const std::string& fragmentBody) {
        const std::string vs = "#version 150\nin vec3 position; in vec2 texcoord; in ivec4 joints; in vec4 weights;\n"
                               "layout(std140) uniform MatricesBlock { mat4 jointMatrix[100]; };\n"
                               "out vec2 uv;\nvoid main() {" + vertexBody + "}\n";
        const std::string fs = "#version 150\nuniform sampler2D tex; in vec2 uv; out vec4 colour;\nvoid main() {" +
                               fragmentBody + "}\n";
        program_ = glCreateProgram();
        for (auto [source, kind] : {std::pair{vs, GL_VERTEX_SHADER}, std::pair{fs, GL_FRAGMENT_SHADER}}) {
            GLuint shader = glCreateShader(kind);
            const char* text = source.c_str();
            glShaderSource(shader, 1, &text, nullptr);
            glCompileShader(shader);
            glAttachShader(program_, shader);
            glDeleteShader(shader);
        }
        const char* names[] = {"position", nullptr, "texcoord", nullptr, "joints", "weights"};
        for (GLuint i = 0; i < 6; ++i)
            if (names[i]) glBindAttribLocation(program_, i, names[i]);
        glLinkProgram(program_);
        GLint linked = 0;
        glGetProgramiv(program_, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked);
        const GLuint block = glGetUniformBlockIndex(program_, "MatricesBlock");
        if (block != GL_INVALID_INDEX) glUniformBlockBinding(program_, block, 0);
        glUseProgram(program_);
        return program_;
    }

    GLuint program_ = 0;
};

std::unique_ptr<Model> uploaded(const char* file) {
    auto model = std::make_unique<Model>();
    model->name = file;
    model->buffer = ByteBuffer(testing_support::readFile(kExample / file));
    testing::internal::CaptureStdout();
    model->upload();
    testing::internal::GetCapturedStdout();
    return model;
}

void drawPrimitive(const Model& model, int mesh, int primitive) {
    const PrimitiveDraw* draw = ModelGL::primitiveDraw(model, mesh, primitive);
    ASSERT_TRUE(draw && draw->drawable);
    // Earlier tests may leave scene state behind; these draws want none of it.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindVertexArray(ModelGL::vertexArray(model, mesh, primitive));
    glDrawElements(GLenum(draw->mode), draw->count, draw->index_type, reinterpret_cast<void*>(draw->index_offset));
}

}  // namespace

TEST_F(ModelGLTest, TexturedCubeDrawsItsImageThroughItsVertexArray) {
    testing::internal::CaptureStderr();
    auto cube = uploaded("cube_textured.glb");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Number of VAOs: 1\n"), std::string::npos);
    ASSERT_TRUE(cube->ready);
    ASSERT_EQ(cube->textures.size(), 1u);
    EXPECT_EQ(ModelGL::texture(*cube, 0), cube->textures[0]->glName);
    EXPECT_EQ(ModelGL::texture(*cube, 1), 0u);

    program("uv = texcoord; gl_Position = vec4(position.xy, 0.0, 1.0);", "colour = texture(tex, uv);");
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(glGetUniformLocation(program_, "tex"), 0);
    glBindTexture(GL_TEXTURE_2D, ModelGL::texture(*cube, 0));
    drawPrimitive(*cube, 0, 0);
    // The last face drawn looks down -z, so the image appears mirrored left to right.
    expectPixelNear(readPixel(40, 40), {255, 0, 0, 255}, 20);
    expectPixelNear(readPixel(24, 40), {0, 255, 0, 255}, 20);
    expectPixelNear(readPixel(40, 24), {0, 0, 255, 255}, 20);
    expectPixelNear(readPixel(24, 24), {255, 255, 255, 255}, 20);
    expectPixelNear(readPixel(4, 4), {0, 0, 0, 255}, 20);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ModelGLTest, SkinnedBarBendsThroughTheJointMatrixBuffer) {
    auto bar = uploaded("bar_skinned.glb");
    ASSERT_NE(bar->joint_matrix_buffer, 0u);
    program("vec4 p = vec4(0.0);\n"
            "for (int i = 0; i < 4; ++i) p += weights[i] * (jointMatrix[joints[i]] * vec4(position, 1.0));\n"
            "gl_Position = vec4(p.x * 0.5, p.y * 0.5 - 0.75, 0.0, 1.0); uv = vec2(0.0);",
            "colour = vec4(1.0);");
    const Pixel white{255, 255, 255, 255}, black{0, 0, 0, 255};
    // Straight: the top of the bar (y = 2.5) is at the centre column.
    Animation::pose(*bar, 0, 0.0f);
    Animation::uploadJointMatrices(*bar);
    drawPrimitive(*bar, 0, 0);
    expectPixelNear(readPixel(32, 40), white);
    expectPixelNear(readPixel(15, 40), black);
    // Bent by 35 degrees at joints 1 and 2: the top segment leans far to the left.
    Animation::pose(*bar, 0, 0.25f);
    Animation::uploadJointMatrices(*bar);
    drawPrimitive(*bar, 0, 0);
    expectPixelNear(readPixel(32, 40), black);
    expectPixelNear(readPixel(15, 40), white);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ModelGLTest, OnlyTheFirstHundredJointsReachTheBuffer) {
    auto bar = uploaded("bar_skinned.glb");
    bar->skeleton->joint_matrices.assign(150, glm::mat4(2.0f));
    for (int j = 0; j < 150; ++j) bar->skeleton->joint_matrices[size_t(j)][3][0] = float(j);
    Animation::uploadJointMatrices(*bar);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glBindBuffer(GL_UNIFORM_BUFFER, bar->joint_matrix_buffer);
    GLint size = 0;
    glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, Animation::kJointBufferBytes);
    std::vector<glm::mat4> stored(Animation::kMaxJoints);
    glGetBufferSubData(GL_UNIFORM_BUFFER, 0, Animation::kJointBufferBytes, stored.data());
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    EXPECT_EQ(stored[0][3][0], 0.0f);
    EXPECT_EQ(stored[99][3][0], 99.0f);
    EXPECT_EQ(stored[99][0][0], 2.0f);
}

TEST_F(ModelGLTest, AnimationAndModelOptionsNodesActOnTheShowsModel) {
    Demo demo;
    demo.models.push_back(uploaded("bar_skinned.glb"));
    Model& bar = *demo.models[0];
    Nodes::ExecutionContext context;
    context.demo = &demo;
    Nodes::GraphNode animation(Nodes::catalogue().find("Animation"));
    animation.inputs[0] = values::Value::ofInt(1);  // no such model
    animation.inputs[2] = values::Value::ofFloat(3.25f);
    Nodes::executeAnimation(animation.inputs, animation.outputValues, animation.state, context);
    EXPECT_EQ(bar.skeleton->joint_matrices[1], glm::mat4(1.0f));

    animation.inputs[0] = values::Value::ofInt(0);  // phase 0.25: the 35-degree key, uploaded
    Nodes::executeAnimation(animation.inputs, animation.outputValues, animation.state, context);
    EXPECT_NE(bar.skeleton->joint_matrices[1], glm::mat4(1.0f));
    glm::mat4 stored[2];
    glBindBuffer(GL_UNIFORM_BUFFER, bar.joint_matrix_buffer);
    glGetBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof stored, stored);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    EXPECT_EQ(stored[1], bar.skeleton->joint_matrices[1]);

    Nodes::GraphNode options(Nodes::catalogue().find("ModelOptions"));
    options.inputs[0] = values::Value::ofInt(0);
    options.inputs[1] = values::Value::ofInt(4);
    options.inputs[2] = values::Value::ofBool(true);
    Nodes::executeModelOptions(options.inputs, options.outputValues, options.state, context);
    EXPECT_EQ(modelInstanceCount, 1) << "nothing set without the set flags";
    EXPECT_FALSE(bar.skipMaterials);
    options.inputs[3] = values::Value::ofBool(true);
    options.inputs[4] = values::Value::ofBool(true);
    Nodes::executeModelOptions(options.inputs, options.outputValues, options.state, context);
    EXPECT_EQ(modelInstanceCount, 4);
    EXPECT_TRUE(bar.skipMaterials);
    options.inputs[1] = {};
    Nodes::executeModelOptions(options.inputs, options.outputValues, options.state, context);
    EXPECT_EQ(modelInstanceCount, 1) << "an empty instances input means 1";
}
