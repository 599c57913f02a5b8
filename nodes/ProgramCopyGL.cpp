#include "nodes/ProgramCopyGL.h"

#include <GL/glew.h>

#include "content/Json.h"
#include "nodes/NodeDrawingGL.h"
#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"

namespace Nodes {
namespace {

void setVector(GLint location, const values::Value& v) {
    float f[4] = {};
    int32_t n[4] = {};
    for (int i = 0; i < 4; ++i) {
        f[i] = v.floatAt(i);
        n[i] = v.intAt(i);
    }
    switch (v.type) {
        case values::Vec2: glUniform2fv(location, 1, f); break;
        case values::Vec3: glUniform3fv(location, 1, f); break;
        case values::Vec4: glUniform4fv(location, 1, f); break;
        case values::IVec2: glUniform2iv(location, 1, n); break;
        case values::IVec3: glUniform3iv(location, 1, n); break;
        case values::IVec4: glUniform4iv(location, 1, n); break;
        default: break;
    }
}

}  // namespace

// Embedded JSON carries both sources, so the copy never reads them from files.
std::unique_ptr<ShaderProgram> privateCopy(const ShaderProgram& source) {
    content::JsonFiles embedded;
    embedded.externalise = false;
    auto copy = std::make_unique<ShaderProgram>();
    copy->fromJson(source.toJson(embedded), embedded);
    copy->build();
    return copy;
}

int uploadPatchInputs(const ShaderProgram& program, const PatchSet& set, int unit) {
    glActiveTexture(GL_TEXTURE0);
    for (const auto& [name, value] : set.inputs) {
        const GLint location = glGetUniformLocation(program.program, name.c_str());
        if (location == -1) continue;
        switch (value.type) {
            case values::Bool: glUniform1i(location, value.asBool() ? 1 : 0); break;
            case values::Int: glUniform1i(location, value.asInt()); break;
            case values::Float: glUniform1f(location, value.asFloat()); break;
            case values::Texture: unit = bindSampler(location, uint32_t(value.asInt()), unit); break;
            default: setVector(location, value); break;
        }
    }
    return unit;
}

}  // namespace Nodes
