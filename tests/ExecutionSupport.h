// Graph building blocks for execution tests: a probe node type that records its runs, and
// helpers to add nodes and links.
#pragma once
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "nodes/Execution.h"

namespace values {

// Readable failure messages for values on pins.
inline void PrintTo(const MaybeValue& v, std::ostream* os) {
    if (!v.hasValue) {
        *os << "(empty)";
        return;
    }
    *os << "type " << v.value.type << " int " << v.value.asInt() << " float " << v.value.asFloat();
    if (!v.value.text.empty()) *os << " text \"" << v.value.text << "\"";
}

}  // namespace values

namespace testing_support {

struct Run {
    std::string node;
    values::MaybeValue b;  // input "b" as the node saw it
    size_t inputCount = 0;
    Nodes::GraphNode* owner = nullptr;
};

inline std::vector<Run>& runs() {
    static std::vector<Run> list;
    return list;
}

inline std::vector<std::string> runNames() {
    std::vector<std::string> names;
    for (const Run& r : runs()) names.push_back(r.node);
    return names;
}

// Records the run; emits state slot 0 on output 0 when set, and stops the flow when slot 1 is true.
inline void probe(Nodes::ValueList& inputs, Nodes::ValueList& outputs, Nodes::ValueList& state,
                  Nodes::ExecutionContext& context) {
    runs().push_back({context.current->name, inputs.size() > 1 ? inputs[1] : values::MaybeValue(), inputs.size(),
                      context.owner});
    if (state[0].hasValue) outputs[0] = state[0];
    context.current->stopFlow = state[1].value.asBool();
}

inline Nodes::NodeType makeProbeType() {
    using values::Float;
    return Nodes::NodeType("Probe", probe, Nodes::ValueList(2),
                           {Nodes::inputPin(Float, "a"), Nodes::inputPin(Float, "b")},
                           {{Float, "x"}, {Float, "y"}, {Float, "z"}});
}

inline Nodes::NodeType& probeType() {
    static Nodes::NodeType type = makeProbeType();
    return type;
}

inline Nodes::GraphNode& addNode(Nodes::Graph& graph, Nodes::NodeType* type, const std::string& name = "",
                                 bool selfActivating = false) {
    graph.nodes.push_back(std::make_unique<Nodes::GraphNode>(type));
    Nodes::GraphNode& node = *graph.nodes.back();
    node.name = name;
    node.selfActivating = selfActivating;
    return node;
}

inline Nodes::GraphNode& addProbe(Nodes::Graph& graph, const std::string& name, bool selfActivating = false) {
    return addNode(graph, &probeType(), name, selfActivating);
}

inline Nodes::GraphNode& addBuiltin(Nodes::Graph& graph, const char* type, const std::string& name = "") {
    return addNode(graph, Nodes::catalogue().find(type), name);
}

inline void link(Nodes::GraphNode& from, Nodes::GraphNode* to, int32_t output = -1, int32_t input = -1) {
    Nodes::Connection c;
    c.dst = to;
    c.src_output_idx = output;
    c.dst_input_idx = input;
    c.id = Nodes::takeId();
    from.connections.push_back(c);
}

inline void activate(Nodes::GraphNode& from, Nodes::GraphNode& to) { link(from, &to); }

inline void feed(Nodes::GraphNode& from, int32_t output, Nodes::GraphNode& to, int32_t input) {
    link(from, &to, output, input);
}

inline values::MaybeValue number(float v) { return values::Value::ofFloat(v); }

}  // namespace testing_support
