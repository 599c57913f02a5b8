#include <GL/glew.h>

#include <cmath>
#include <cstdio>

#include "audio/Audio.h"
#include "frame/Runtime.h"
#include "shaders/ShaderProgram.h"
#include "shaders/ShaderSource.h"

namespace {

constexpr GLsizei kLogSize = 1024;

// The log keeps whatever the compiler said, warnings included; only silence counts as success.
// Its messages name the file and line they are about, through includes.
void compileShader(GLuint shader, const MappedSource& source, const std::string& file, std::string& log) {
    const GLchar* text = source.text.c_str();
    GLint length = GLint(source.text.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    char buffer[kLogSize] = {};
    glGetShaderInfoLog(shader, kLogSize, nullptr, buffer);
    if (buffer[0] != '\0') {
        log = mapShaderLog(buffer, source, file);
        std::printf("%s\n", log.c_str());
    } else {
        log = "Compilation successful.";
    }
}

// Each other program of the show may be included once by its fragment file name; its text as
// read goes in, so later programs in the list can resolve includes inside that text.
MappedSource fragmentWithIncludes(const ShaderProgram& self) {
    if (!showPrograms) return wholeFile(self.fragmentSource, self.fragmentFilename);
    std::vector<const ShaderProgram*> programs;
    for (const auto& p : *showPrograms) programs.push_back(p.get());
    return resolveIncludes(self, programs);
}

// Fresh shader objects each time; names of 0 (before the first build) are ignored by GL.
void replaceGlObjects(ShaderProgram& p) {
    p.release();
    p.vertexShader = glCreateShader(GL_VERTEX_SHADER);
    p.fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
}

// Scene shaders share one joint-matrix buffer on binding point 0.
uint32_t bindMatricesBlock(GLuint program) {
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint block = glGetUniformBlockIndex(program, "MatricesBlock");
    if (block == GL_INVALID_INDEX) return block;
    glUniformBlockBinding(program, block, 0);
    if (glGetError() != GL_NO_ERROR) std::printf("Error\n");
    return block;
}

}  // namespace

void ShaderProgram::build() {
    replaceGlObjects(*this);
    compile();
    link();
}

void ShaderProgram::compile() {
    compileShader(vertexShader, wholeFile(vertexSource, vertexFilename), vertexFilename, log);
    MappedSource fragment = fragmentWithIncludes(*this);
    compileShader(fragmentShader, fragment, fragmentFilename, log);
    processedFragmentSource = std::move(fragment.text);
}

void ShaderProgram::link() {
    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    char buffer[kLogSize] = {};
    glGetProgramInfoLog(program, kLogSize, nullptr, buffer);
    if (buffer[0] != '\0') {
        std::printf("LINKER ERROR: %s: %s\n", fragmentFilename.c_str(), buffer);
        log += "\nLINKER ERROR: " + fragmentFilename + ": ";
        log += buffer;
    }
    lookupLocations();
}

// The GLSL type behind a location: a sampler listed as a uniform def must not get a float.
static GLenum uniformType(GLuint program, GLint location) {
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[256];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        if (glGetUniformLocation(program, name) == location) return type;
    }
    return GL_FLOAT;
}

// A program that failed to link answers every query with a GL error; it simply has no locations.
void ShaderProgram::lookupLocations() {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    linked = status == GL_TRUE;
    auto uniform = [&](const char* name) { return linked ? glGetUniformLocation(program, name) : -1; };
    locations.beat = uniform("beat");
    locations.iTime2 = uniform("iTime2");
    locations.sound = uniform("sound");
    locations.soundTexture = uniform("sound_texture");
    locations.tex[0] = uniform("tex");
    for (int i = 1; i < 16; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "tex%d", i);
        locations.tex[i] = uniform(name);
    }
    locations.resolution = uniform("resolution");
    locations.cameraPosition = uniform("camera_position");
    locations.cameraRotation = uniform("camera_rotation");
    locations.nodeIdx = uniform("nodeIdx");
    GLint vp = linked ? glGetAttribLocation(program, "vp") : -1;
    positionAttribute = vp < 0 ? 0 : uint32_t(vp);
    matricesBlock = linked ? bindMatricesBlock(program) : GL_INVALID_INDEX;
    for (UniformDef& def : uniformDefs) {
        def.location = uniform(def.name.c_str());
        const GLenum type = def.location == -1 ? GL_FLOAT : uniformType(program, def.location);
        def.takesFloat = type == GL_FLOAT || type == GL_BOOL;
    }
    for (int i = 0; i < kSceneUniformCount; ++i) sceneLocations[i] = uniform(sceneUniformNames()[i]);
    for (uint32_t i = 0; i < sceneTextureUnits.size(); ++i) sceneTextureUnits[i] = GL_TEXTURE0 + i;
}

void ShaderProgram::recompile() { build(); }

void ShaderProgram::release() {
    glDeleteProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    program = vertexShader = fragmentShader = 0;
    linked = false;
}

// Patched texts are compiled as given: their includes were resolved before the splicing.
void ShaderProgram::recompileWithPatch(const std::string& vertexText, const std::string& fragmentText) {
    replaceGlObjects(*this);
    patchedVertexSource = vertexText;
    processedFragmentSource = fragmentText;
    // The splice moved the lines; messages name the file the patched text was made from.
    compileShader(vertexShader, MappedSource{patchedVertexSource, {}}, vertexFilename + " (patched)", log);
    compileShader(fragmentShader, MappedSource{processedFragmentSource, {}}, fragmentFilename + " (patched)", log);
    link();
}

void ShaderProgram::setStandardUniforms() const {
    const float beat = currentBeat;
    if (locations.beat != -1) glUniform1f(locations.beat, beat);
    if (locations.iTime2 != -1) glUniform2f(locations.iTime2, beat, beat - std::trunc(beat));
    if (locations.sound != -1) glUniform1i(locations.sound, audio::soundLevel());
    if (locations.soundTexture != -1) glUniform1i(locations.soundTexture, 16);
    for (int i = 0; i < 16; ++i) {
        if (locations.tex[i] != -1) glUniform1i(locations.tex[i], i);
    }
    if (locations.resolution != -1) glUniform2f(locations.resolution, float(renderSize.width), float(renderSize.height));
    // Nothing in playback moves the free camera.
    if (locations.cameraPosition != -1) glUniform3f(locations.cameraPosition, 0.0f, 0.0f, 0.0f);
    if (locations.cameraRotation != -1) glUniform3f(locations.cameraRotation, 0.0f, 0.0f, 0.0f);
}

void ShaderProgram::applyUniformDefaults() const {
    for (const UniformDef& def : uniformDefs) {
        if (def.location != -1 && def.takesFloat) glUniform1f(def.location, def.default_val);
    }
}
