#include "shaders/ShaderPatch.h"

#include "content/TypedPort.h"

content::Json PatchInput::toJson(const content::JsonFiles&) const { return values::portToJson(*this, true); }
void PatchInput::writeBinary(content::BinaryWriter& out) const { values::writePort(out, *this, true); }
void PatchInput::fromJson(const content::Json& json, const content::JsonFiles&) { values::portFromJson(json, *this, true); }

void PatchInput::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "PatchInput");
    values::readPort(in, *this, true);
}

content::Json ShaderPatch::toJson(const content::JsonFiles& files) const {
    content::Json j;
    j["name"] = name;
    j["vertex_patch"] = vertex_patch;
    j["vertex_hook"] = vertex_hook;
    j["fragment_patch"] = fragment_patch;
    j["fragment_hook"] = fragment_hook;
    content::Json list = content::Json::array();
    for (const PatchInput& input : inputs) list.push_back(input.toJson(files));
    j["inputs"] = list;
    return j;
}

void ShaderPatch::writeBinary(content::BinaryWriter& out) const {
    out.string(name);
    out.string(vertex_patch);
    out.string(vertex_hook);
    out.string(fragment_patch);
    out.string(fragment_hook);
    out.u64(inputs.size());
    for (const PatchInput& input : inputs) input.writeBinary(out);
}

void ShaderPatch::fromJson(const content::Json& json, const content::JsonFiles& files) {
    using namespace content;
    name = jsonString(json, "name");
    vertex_patch = jsonString(json, "vertex_patch");
    fragment_patch = jsonString(json, "fragment_patch");
    if (jsonHas(json, "vertex_hook")) vertex_hook = jsonString(json, "vertex_hook");
    if (jsonHas(json, "fragment_hook")) fragment_hook = jsonString(json, "fragment_hook");
    inputs.clear();
    for (const Json& input : jsonArray(json, "inputs")) inputs.emplace_back().fromJson(input, files);
}

void ShaderPatch::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "ShaderPatch");
    name = in.string();
    vertex_patch = in.string();
    vertex_hook = in.string();
    fragment_patch = in.string();
    fragment_hook = in.string();
    uint64_t n = in.count(values::kMinPortSize);
    inputs.clear();
    for (uint64_t i = 0; i < n; ++i) inputs.emplace_back().readBinary(in);
}
