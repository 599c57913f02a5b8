// Small helpers for the tests of the drawing node types: sizes as pin values and GL queries.
#pragma once
#include <GL/glew.h>

#include "content/Value.h"

namespace node_gl {

inline values::Value ivec2(int x, int y) {
    const int32_t v[2] = {x, y};
    return values::Value::ofInts(values::IVec2, v, 2);
}

inline GLuint nameIn(const values::MaybeValue& v) { return GLuint(v.value.asInt()); }

inline GLint textureLevel(GLuint texture, int level, GLenum what) {
    GLint v = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &v);
    return v;
}

inline GLint glInteger(GLenum what) {
    GLint v = -1;
    glGetIntegerv(what, &v);
    return v;
}

}  // namespace node_gl
