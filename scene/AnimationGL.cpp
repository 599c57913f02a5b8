#include <GL/glew.h>

#include <algorithm>

#include "scene/Animation.h"
#include "scene/Model.h"

namespace Animation {
namespace {

// Binds the buffer to binding point 0, orphans it and writes the first 100 joint matrices.
void fill(GLuint buffer, const std::vector<glm::mat4>& matrices) {
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, buffer);
    glBufferData(GL_UNIFORM_BUFFER, kJointBufferBytes, nullptr, GL_DYNAMIC_DRAW);
    const size_t joints = std::min(matrices.size(), size_t(kMaxJoints));
    if (joints > 0) glBufferSubData(GL_UNIFORM_BUFFER, 0, GLsizeiptr(joints * sizeof(glm::mat4)), matrices.data());
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

}  // namespace

void createJointBuffer(Model& model) {
    if (!model.skeleton || model.joint_matrix_buffer) return;
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    model.joint_matrix_buffer = buffer;
    fill(buffer, model.skeleton->joint_matrices);
}

void uploadJointMatrices(Model& model) {
    if (model.skeleton && model.joint_matrix_buffer) fill(model.joint_matrix_buffer, model.skeleton->joint_matrices);
}

}  // namespace Animation
