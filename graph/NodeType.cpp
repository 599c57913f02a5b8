#include "graph/NodeType.h"


namespace Nodes {
namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

struct SuffixLabel {
    const char* suffix;
    const char* label;
};

const SuffixLabel kGeneratedSuffixes[] = {
    {".event", " (event)"}, {".scene", " (scene)"}, {".script", " (script)"}, {".patch", " (patch)"}};

}  // namespace

InputDef inputPin(int32_t type, std::string name, values::MaybeValue defaultValue, values::MaybeValue minValue,
                  values::MaybeValue maxValue) {
    InputDef d;
    d.value_type = type;
    d.name = std::move(name);
    d.default_value = std::move(defaultValue);
    d.min_value = std::move(minValue);
    d.max_value = std::move(maxValue);
    return d;
}

NodeType::NodeType(std::string name, ExecuteFn execute, ValueList state, std::vector<InputDef> inputs,
                   std::vector<OutputDef> outputs)
    : name(std::move(name)), inputs(std::move(inputs)), outputs(std::move(outputs)), state(std::move(state)),
      execute(execute) {
    label = labelFor(this->name);
}

std::string labelFor(const std::string& name) {
    static const std::string kResources = "resources/";
    static const std::string kFrag = ".frag";
    std::string label = name;
    if (name.compare(0, kResources.size(), kResources) == 0) {
        label = name.substr(kResources.size());
        if (endsWith(label, kFrag)) label = label.substr(0, label.size() - kFrag.size()) + " (shader)";
    }
    for (const SuffixLabel& s : kGeneratedSuffixes) {
        std::string suffix = s.suffix;
        if (endsWith(name, suffix)) label = name.substr(0, name.size() - suffix.size()) + s.label;
    }
    // Lower-case ASCII (and the few signs above 'Z') become upper case; UTF-8 lead bytes are
    // negative as signed bytes and stay as they are.
    if (!label.empty() && int8_t(label[0]) > 'Z') label[0] = char(label[0] - 32);
    return label;
}

NodeType* NodeCatalogue::find(const std::string& name) {
    for (auto& type : types_)
        if (type->name == name) return type.get();
    return nullptr;
}

NodeType& NodeCatalogue::append(NodeType type) {
    types_.push_back(std::make_unique<NodeType>(std::move(type)));
    return *types_.back();
}

}  // namespace Nodes
