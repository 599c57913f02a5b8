#include "shaders/ShaderProgram.h"

#include <cstdio>

#include "content/FileRoutines.h"

const std::vector<std::unique_ptr<ShaderProgram>>* showPrograms = nullptr;

namespace {

// Name, three floats and the string flag.
constexpr uint64_t kMinUniformDefSize = 9 + 3 * 4 + 1;

std::string loadSource(const content::JsonFiles& files, const std::string& filename) {
    std::string path = files.resolve(filename).string();
    std::printf("Loading file %s\n", path.c_str());
    return content::loadTextFile(path);
}

bool saveSource(const content::JsonFiles& files, const std::string& filename, const std::string& source) {
    return files.trySave(filename, reinterpret_cast<const uint8_t*>(source.data()), source.size());
}

}  // namespace

const std::array<const char*, ShaderProgram::kSceneUniformCount>& ShaderProgram::sceneUniformNames() {
    static const std::array<const char*, kSceneUniformCount> names{
        "uModelViewProjMatrix", "uModelViewMatrix", "uNormalMatrix", "uModelMatrix", "uViewProjMatrix",
        "uLightMVPMatrix", "uBaseColorFactor", "uBaseColorTex", "uHasBaseColorTex", "uMetallicFactor",
        "uRoughnessFactor", "uMetallicRoughnessTex", "uHasMetallicRoughnessTex", "uEmissiveFactor",
        "uEmissiveTex", "uHasEmissiveTex", "uNormalTex", "uHasNormalTex", "uNormalScale", "uOcclusionTex",
        "uHasOcclusionTex", "uOcclusionStrength", "uCameraPos", "uLightDir", "uLightColor",
        "uShadowMapTexture", "uIsShadowRenderPass", "uTag", "uInstance", "uAlphaCutoff", "uMaterialIndex",
    };
    return names;
}

content::Json ShaderProgram::toJson(const content::JsonFiles& files) const {
    content::Json j;
    j["vertex_shader_filename"] = vertexFilename;
    j["fragment_shader_filename"] = fragmentFilename;
    // Both files or neither: a source that cannot go to its file (unsafe name, or another program
    // already wrote different text there) is embedded together with its partner.
    bool inFiles = files.externalise && saveSource(files, vertexFilename, vertexSource) &&
                   saveSource(files, fragmentFilename, fragmentSource);
    if (!inFiles) {
        j["vertex_shader_source"] = vertexSource;
        j["fragment_shader_source"] = fragmentSource;
    }
    content::Json defs = content::Json::array();
    for (const UniformDef& def : uniformDefs) defs.push_back(def.toJson(files));
    j["uniform_defs"] = defs;
    return j;
}

void ShaderProgram::writeBinary(content::BinaryWriter& out) const {
    out.string(vertexFilename);
    out.string(vertexSource);
    out.string(fragmentFilename);
    out.string(fragmentSource);
    out.u64(uniformDefs.size());
    for (const UniformDef& def : uniformDefs) def.writeBinary(out);
}

void ShaderProgram::fromJson(const content::Json& json, const content::JsonFiles& files) {
    using namespace content;
    vertexFilename = jsonString(json, "vertex_shader_filename");
    fragmentFilename = jsonString(json, "fragment_shader_filename");
    if (jsonHas(json, "fragment_shader_source")) {
        vertexSource = jsonString(json, "vertex_shader_source");
        fragmentSource = jsonString(json, "fragment_shader_source");
    } else {
        vertexSource = loadSource(files, vertexFilename);
        fragmentSource = loadSource(files, fragmentFilename);
    }
    uniformDefs.clear();
    for (const Json& def : jsonArray(json, "uniform_defs")) uniformDefs.emplace_back().fromJson(def, files);
}

void ShaderProgram::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "ShaderProgram");
    vertexFilename = in.string();
    vertexSource = in.string();
    fragmentFilename = in.string();
    fragmentSource = in.string();
    uint64_t n = in.count(kMinUniformDefSize);
    uniformDefs.clear();
    for (uint64_t i = 0; i < n; ++i) uniformDefs.emplace_back().readBinary(in);
}
