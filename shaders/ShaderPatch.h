// A GLSL snippet with its uniforms that graph nodes splice into copies of shader programs,
// and the per-frame set that collects the snippets of the patch nodes that ran.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "content/Value.h"

class PatchInput : public ISerializable {
public:
    int32_t type = 0;
    std::string name;
    values::MaybeValue default_value, min_value, max_value;

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

class ShaderPatch : public ISerializable {
public:
    std::string name;
    std::string vertex_patch;
    std::string vertex_hook = "// <VERTEX_PATCH>";
    std::string fragment_patch;
    std::string fragment_hook = "// <FRAGMENT_PATCH>";
    std::vector<PatchInput> inputs;

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};

struct PatchSet {
    using HookMap = std::map<std::string, std::string>;
    HookMap vertexHooks;
    HookMap fragmentHooks;
    std::vector<std::pair<std::string, values::Value>> inputs;

    // Storage that clear() keeps for the hooks and inputs added after it, so that a set reused
    // frame after frame allocates nothing once the show's patches have run.
    std::vector<HookMap::node_type> spareHooks;
    std::vector<std::string> spareNames;

    void clear() {
        recycle(vertexHooks);
        recycle(fragmentHooks);
        for (auto& input : inputs) spareNames.push_back(std::move(input.first));
        inputs.clear();
    }

private:
    void recycle(HookMap& hooks) {
        while (!hooks.empty()) spareHooks.push_back(hooks.extract(hooks.begin()));
    }
};
