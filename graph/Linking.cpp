#include "graph/Linking.h"

#include <map>
#include <set>

#include "scene/Scene.h"
#include "scripting/Script.h"
#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Event.h"

namespace Nodes {
namespace {

using values::Bool;
using values::Float;
using values::Int;
using values::IVec2;
using values::String;
using values::Value;
using values::Vec3;
constexpr int32_t kTexture = values::Texture;

// The node type one content item stands for.
struct ItemType {
    std::string name;
    std::vector<InputDef> inputs;
    std::vector<OutputDef> outputs;
};

// What one pass collected from its list: the type name of every item, which keeps existing
// types fresh, and the types of the items that qualify.
struct Linked {
    std::set<std::string> names;
    std::vector<ItemType> types;
};

// How a pass makes and updates its types.
struct Pass {
    std::string suffix;
    ExecuteFn execute;
    ValueList state;
    bool updatesInputs, updatesOutputs;  // what an existing type takes over from its item
};

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void markStale(NodeCatalogue& catalogue, const Pass& pass, const std::set<std::string>& names) {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        NodeType& type = catalogue[i];
        if (endsWith(type.name, pass.suffix)) type.stale = !names.count(type.name);
    }
}

void update(NodeType& type, const Pass& pass, ItemType& item) {
    if (pass.updatesInputs) type.inputs = std::move(item.inputs);
    if (pass.updatesOutputs) type.outputs = std::move(item.outputs);
    type.execute = pass.execute;
}

// Types are only ever appended, so catalogue order follows pass order and list order. Two items
// with one type name give one type: the first, which is also the item its nodes find at run time.
void link(NodeCatalogue& catalogue, const Pass& pass, Linked linked) {
    std::map<std::string, NodeType*> index;
    for (size_t i = 0; i < catalogue.size(); ++i) index.emplace(catalogue[i].name, &catalogue[i]);
    markStale(catalogue, pass, linked.names);
    std::set<std::string> done;
    for (ItemType& item : linked.types) {
        if (!done.insert(item.name).second) continue;
        auto found = index.find(item.name);
        if (found != index.end())
            update(*found->second, pass, item);
        else
            catalogue.append(NodeType(item.name, pass.execute, pass.state, std::move(item.inputs), std::move(item.outputs)));
    }
}

std::vector<InputDef> shaderInputs(const ShaderProgram& program) {
    std::vector<InputDef> inputs = {inputPin(IVec2, "size"), inputPin(kTexture, "tex"),
                                    inputPin(Bool, "internal")};
    for (const UniformDef& u : program.uniformDefs) {
        if (u.name.starts_with("tex"))
            inputs.push_back(inputPin(kTexture, u.name));
        else
            inputs.push_back(inputPin(Float, u.name, Value::ofFloat(u.default_val), Value::ofFloat(u.min_val),
                                      Value::ofFloat(u.max_val)));
    }
    return inputs;
}

std::vector<OutputDef> eventOutputs(const Event& event) {
    std::vector<OutputDef> outputs;
    for (const UniformDef& u : event.uniform_defs) outputs.push_back({u.is_string ? String : Float, u.name});
    return outputs;
}

template <class Port>
std::vector<InputDef> typedInputs(const std::vector<Port>& ports) {
    std::vector<InputDef> inputs;
    for (const Port& p : ports) inputs.push_back(inputPin(p.type, p.name, p.default_value, p.min_value, p.max_value));
    return inputs;
}

std::vector<OutputDef> typedOutputs(const std::vector<ScriptPort>& ports) {
    std::vector<OutputDef> outputs;
    for (const ScriptPort& p : ports) outputs.push_back({p.type, p.name});
    return outputs;
}

}  // namespace

// Programs are keyed by their fragment file name itself, which must be a ".frag" file.
void linkShaderPrograms(const std::vector<std::unique_ptr<ShaderProgram>>& programs, NodeCatalogue& catalogue) {
    Pass pass{".frag", catalogue.generated.shaderProgram, ValueList(11), true, false};
    Linked linked;
    for (const auto& p : programs) {
        linked.names.insert(p->fragmentFilename);
        if (endsWith(p->fragmentFilename, pass.suffix))
            linked.types.push_back({p->fragmentFilename, shaderInputs(*p), {{kTexture, "texture"}}});
    }
    link(catalogue, pass, std::move(linked));
}

// Only value events feed graphs, but an event of any kind keeps its name's type fresh.
void linkEvents(const std::vector<std::unique_ptr<Event>>& events, NodeCatalogue& catalogue) {
    Pass pass{".event", catalogue.generated.event, ValueList(1), false, true};
    Linked linked;
    for (const auto& e : events) {
        linked.names.insert(e->name + pass.suffix);
        if (e->type == Event::ValueEvent)
            linked.types.push_back({e->name + pass.suffix, {inputPin(Float, "time")}, eventOutputs(*e)});
    }
    link(catalogue, pass, std::move(linked));
}

void linkScenes(const std::vector<std::unique_ptr<Scene>>& scenes, NodeCatalogue& catalogue) {
    ValueList state(6);
    state[4] = Value::ofInt(-1);
    Pass pass{".scene", catalogue.generated.scene, state, false, true};
    Linked linked;
    for (const auto& s : scenes) {
        linked.names.insert(s->name + pass.suffix);
        linked.types.push_back({s->name + pass.suffix,
                                {inputPin(Int, "shader"), inputPin(Vec3, "position"), inputPin(Vec3, "direction"),
                                 inputPin(Vec3, "up"), inputPin(Float, "fov"), inputPin(Vec3, "lightDirection")},
                                {}});
    }
    link(catalogue, pass, std::move(linked));
}

void linkScripts(const std::vector<std::unique_ptr<Script>>& scripts, NodeCatalogue& catalogue) {
    Pass pass{".script", catalogue.generated.script, ValueList(2), true, true};
    Linked linked;
    for (const auto& s : scripts) {
        linked.names.insert(s->name + pass.suffix);
        linked.types.push_back({s->name + pass.suffix, typedInputs(s->inputs), typedOutputs(s->outputs)});
    }
    link(catalogue, pass, std::move(linked));
}

void linkPatches(const std::vector<std::unique_ptr<ShaderPatch>>& patches, NodeCatalogue& catalogue) {
    Pass pass{".patch", catalogue.generated.patch, ValueList(1), true, true};
    Linked linked;
    for (const auto& p : patches) {
        linked.names.insert(p->name + pass.suffix);
        linked.types.push_back({p->name + pass.suffix, typedInputs(p->inputs), {}});
    }
    link(catalogue, pass, std::move(linked));
}

}  // namespace Nodes
