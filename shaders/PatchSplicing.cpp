#include "shaders/PatchSplicing.h"

#include <string_view>

namespace {

using HookMap = PatchSet::HookMap;

constexpr std::string_view kUniformMarker = "// <UNIFORMS>";

// A new hook takes a spare map node when there is one, reusing its strings' storage.
std::string& hookText(PatchSet& set, HookMap& hooks, const std::string& hook) {
    auto found = hooks.find(hook);
    if (found != hooks.end()) return found->second;
    if (set.spareHooks.empty()) return hooks[hook];
    HookMap::node_type node = std::move(set.spareHooks.back());
    set.spareHooks.pop_back();
    node.key() = hook;
    node.mapped().clear();
    return hooks.insert(std::move(node)).position->second;
}

void appendPatch(PatchSet& set, HookMap& hooks, const std::string& hook, const std::string& text) {
    if (text.empty()) return;
    std::string& accumulated = hookText(set, hooks, hook);
    accumulated += text;
    accumulated += '\n';
}

// A node input without a value would otherwise declare its uniform as bool.
values::Value valueFor(const PatchInput& input, const values::MaybeValue& given) {
    if (given.hasValue) return given.value;
    values::Value zero;
    zero.type = input.type;
    return zero;
}

void setInput(PatchSet& set, const std::string& name, const values::Value& value) {
    for (auto& [existing, held] : set.inputs)
        if (existing == name) {
            held = value;
            return;
        }
    std::string spare;
    if (!set.spareNames.empty()) {
        spare = std::move(set.spareNames.back());
        set.spareNames.pop_back();
    }
    spare = name;
    set.inputs.emplace_back(std::move(spare), value);
}

std::string signature(const HookMap& hooks) {
    std::string s;
    for (const auto& [hook, text] : hooks) s += hook + ":" + text + "||";
    return s;
}

// Compares piece by piece so that a frame with nothing to rebuild builds no text.
bool sameSignature(const values::MaybeValue& memo, const HookMap& hooks) {
    if (!memo.hasValue || memo.value.type != values::String) return false;
    std::string_view rest = memo.value.text;
    auto take = [&](std::string_view piece) {
        if (!rest.starts_with(piece)) return false;
        rest.remove_prefix(piece.size());
        return true;
    };
    for (const auto& [hook, text] : hooks)
        if (!take(hook) || !take(":") || !take(text) || !take("||")) return false;
    return rest.empty();
}

bool sameCount(const values::MaybeValue& memo, size_t count) {
    return memo.hasValue && memo.value.type == values::Int && size_t(memo.value.asInt()) == count;
}

// An empty marker would match at the very start, ahead of "#version": it counts as absent.
void replaceFirst(std::string& text, std::string_view marker, const std::string& replacement) {
    if (marker.empty()) return;
    size_t at = text.find(marker);
    if (at != std::string::npos) text.replace(at, marker.size(), replacement);
}

std::string uniformBlock(const PatchSet& set) {
    std::string block;
    for (const auto& [name, value] : set.inputs)
        block += std::string("uniform ") + values::glslTypeName(value.type) + " " + name + ";\n";
    return block;
}

std::string spliced(const std::string& source, const std::string& uniforms, const HookMap& hooks) {
    std::string text = source;
    replaceFirst(text, kUniformMarker, uniforms);
    for (const auto& [hook, patch] : hooks) replaceFirst(text, hook, patch);
    return text;
}

}  // namespace

void addToPatchSet(PatchSet& set, const ShaderPatch& patch, const std::vector<values::MaybeValue>& inputValues) {
    appendPatch(set, set.vertexHooks, patch.vertex_hook, patch.vertex_patch);
    appendPatch(set, set.fragmentHooks, patch.fragment_hook, patch.fragment_patch);
    for (size_t i = 0; i < patch.inputs.size() && i < inputValues.size(); ++i)
        setInput(set, patch.inputs[i].name, valueFor(patch.inputs[i], inputValues[i]));
}

PatchAction planPatch(const ShaderProgram& source, ShaderProgram& target, const PatchSet* set,
                      values::MaybeValue& vertexMemo, values::MaybeValue& fragmentMemo,
                      values::MaybeValue& countMemo, std::string& vertexText, std::string& fragmentText) {
    bool sourcesChanged =
        target.vertexSource != source.vertexSource || target.fragmentSource != source.fragmentSource;
    if (sourcesChanged) {
        target.vertexSource = source.vertexSource;
        target.fragmentSource = source.fragmentSource;
    }
    if (!set) return sourcesChanged ? PatchAction::Recompile : PatchAction::None;
    if (!sourcesChanged && sameCount(countMemo, set->inputs.size()) && sameSignature(vertexMemo, set->vertexHooks) &&
        sameSignature(fragmentMemo, set->fragmentHooks))
        return PatchAction::None;

    // The source's processed text has its includes resolved as the show's own build did it; a
    // source that was never built has none to offer.
    const std::string& fragment =
        source.processedFragmentSource.empty() ? target.fragmentSource : source.processedFragmentSource;
    std::string uniforms = uniformBlock(*set);
    vertexText = spliced(target.vertexSource, uniforms, set->vertexHooks);
    fragmentText = spliced(fragment, uniforms, set->fragmentHooks);
    vertexMemo = values::Value::ofString(signature(set->vertexHooks));
    fragmentMemo = values::Value::ofString(signature(set->fragmentHooks));
    countMemo = values::Value::ofInt(int32_t(set->inputs.size()));
    return PatchAction::RecompileWithPatch;
}
