// Node types and the process-wide catalogue that graph nodes find their type in by name.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "content/Value.h"

namespace Nodes {

struct ExecutionContext;

struct InputDef {
    int32_t value_type = 0;
    std::string name;
    values::MaybeValue default_value, min_value, max_value, step_size;

    bool operator==(const InputDef& o) const {
        return value_type == o.value_type && name == o.name && default_value == o.default_value &&
               min_value == o.min_value && max_value == o.max_value && step_size == o.step_size;
    }
};

struct OutputDef {
    int32_t value_type = 0;
    std::string name;

    bool operator==(const OutputDef& o) const { return value_type == o.value_type && name == o.name; }
};

// An input pin; the default and the authoring hints are optional.
InputDef inputPin(int32_t type, std::string name, values::MaybeValue defaultValue = {},
                  values::MaybeValue minValue = {}, values::MaybeValue maxValue = {});

using ValueList = std::vector<values::MaybeValue>;
using ExecuteFn = void (*)(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext& context);

struct NodeType {
    std::string name;
    std::string label;
    std::vector<InputDef> inputs;
    std::vector<OutputDef> outputs;
    ValueList state;
    bool stale = false;
    ExecuteFn execute = nullptr;

    NodeType(std::string name, ExecuteFn execute, ValueList state, std::vector<InputDef> inputs,
             std::vector<OutputDef> outputs);
};

// The display label: "resources/blur.frag" -> "Blur (shader)", "intro.event" -> "Intro (event)".
std::string labelFor(const std::string& name);

class NodeCatalogue {
public:
    // The built-in types in their fixed order, then whatever the linking passes append.
    NodeCatalogue();

    NodeType* find(const std::string& name);
    NodeType& append(NodeType type);
    size_t size() const { return types_.size(); }
    NodeType& operator[](size_t i) { return *types_[i]; }
    const NodeType& operator[](size_t i) const { return *types_[i]; }

    // Execute operations of the generated types; linking passes copy them into the types they
    // create or update. Events, patches and scripts are set here, the others by the code that runs them.
    struct GeneratedExecutes {
        ExecuteFn shaderProgram = nullptr, event = nullptr, scene = nullptr, script = nullptr, patch = nullptr;
    } generated;

private:
    std::vector<std::unique_ptr<NodeType>> types_;  // stable addresses: nodes point at their type
};

// The one catalogue of the process.
NodeCatalogue& catalogue();

}  // namespace Nodes
