// A vertex and a fragment shader with their tunable uniforms. This file holds the record; the
// GPU side (compile, link, locations, per-draw uniforms) lives in ShaderProgramGL.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shaders/UniformDef.h"

class ShaderProgram : public ISerializable {
public:
    static constexpr const char* kDefaultVertexSource =
        "#version 150\n\nin vec3 vp;\n\nvoid main() {\ngl_Position = vec4(vp, 1.0);\n}\n";

    std::string vertexSource = kDefaultVertexSource;
    std::string fragmentSource;
    std::string vertexFilename = "resources/default.vert";
    std::string fragmentFilename = "resources/untitled.frag";
    std::string patchedVertexSource;
    std::string processedFragmentSource;
    std::vector<UniformDef> uniformDefs;
    std::string log;

    // GPU side state, filled by ShaderProgramGL.
    uint32_t vertexShader = 0, fragmentShader = 0, program = 0;
    bool linked = false;  // a program that did not link draws nothing
    struct StandardLocations {
        int32_t beat = -1, iTime2 = -1, sound = -1, soundTexture = -1;
        std::array<int32_t, 16> tex{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        int32_t resolution = -1, cameraPosition = -1, cameraRotation = -1, nodeIdx = -1;
    } locations;
    static constexpr int kSceneUniformCount = 31;
    std::array<int32_t, kSceneUniformCount> sceneLocations{};  // in the order of sceneUniformNames()
    std::array<uint32_t, 6> sceneTextureUnits{};  // base colour, metal-rough, emissive, normal, occlusion, shadow
    uint32_t positionAttribute = 0;
    uint32_t matricesBlock = 0xFFFFFFFFu;

    static const std::array<const char*, kSceneUniformCount>& sceneUniformNames();

    // GPU side (ShaderProgramGL.cpp). build() is what construction does in the player: create
    // both shaders, compile, link.
    void build();
    void compile();
    void link();
    void lookupLocations();
    void recompile();
    // Deletes the program and its shaders; their names become 0 and the program draws nothing.
    void release();
    void recompileWithPatch(const std::string& vertexText, const std::string& fragmentText);
    // Per-draw uploads; the program must be in use.
    void setStandardUniforms() const;
    void applyUniformDefaults() const;

    // File mode writes the sources to their files (under files.folder) and leaves them out of
    // the JSON, embedding both when either file cannot be written; embedded mode
    // (files.externalise false) keeps them in the JSON.
    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};

// The programs an include line may name: the current show's, once the show is complete; null
// before that, so that includes stay as they are.
extern const std::vector<std::unique_ptr<ShaderProgram>>* showPrograms;
