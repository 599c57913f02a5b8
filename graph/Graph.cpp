#include "graph/Graph.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <unordered_map>

#include "graph/ExecutionContext.h"

namespace Nodes {

using content::BinaryReader;
using content::BinaryWriter;
using content::Json;
using values::MaybeValue;

int32_t& nextId() {
    static int32_t counter = 0;
    return counter;
}

// The counter saturates: a forged id at the top of the range must not wrap it into negative ids.
void raiseIdCounter(int32_t id) {
    int32_t& counter = nextId();
    if (id >= counter) counter = id == std::numeric_limits<int32_t>::max() ? id : id + 1;
}

int32_t takeId() {
    int32_t& counter = nextId();
    return counter == std::numeric_limits<int32_t>::max() ? counter : counter++;
}

// ---------------------------------------------------------------------------------------------
// Pin synchronisation

namespace {

// Pins made while reading are charged to the reader, so that a small block naming a type with
// many pins in many nodes cannot make us allocate without bound.
struct Budget {
    BinaryReader* reader = nullptr;

    void charge(uint64_t count, uint64_t each) const {
        if (reader && count) reader->charge(count * each);
    }
};

const std::vector<InputDef>& typeInputs(const GraphNode& node) {
    static const std::vector<InputDef> none;
    return node.def ? node.def->inputs : none;
}

const std::vector<OutputDef>& typeOutputs(const GraphNode& node) {
    static const std::vector<OutputDef> none;
    return node.def ? node.def->outputs : none;
}

// A present zero of the type; codes outside the value table get no default.
MaybeValue typeDefault(int32_t type) {
    if (type < values::Bool || type > values::Reference) return {};
    values::Value v;
    v.type = type;
    return v;
}

void appendPin(std::vector<OutputDef>& to, int32_t type, const std::string& name) { to.push_back({type, name}); }

void appendPin(std::vector<InputDef>& to, int32_t type, const std::string& name) {
    to.push_back(inputPin(type, name, typeDefault(type)));
}

template <class To, class From>
void appendPins(std::vector<To>& to, const std::vector<From>& from) {
    for (const From& pin : from) appendPin(to, pin.value_type, pin.name);
}

template <class A, class B>
bool samePins(const std::vector<A>& a, const std::vector<B>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const A& x, const B& y) { return x.value_type == y.value_type && x.name == y.name; });
}

void synchronise(GraphNode& node, ExecutionContext* context, const Budget& budget);

// One side of a subgraph boundary: an empty boundary node takes the owner's pins; once it has
// pins of its own, they replace the owner's own pins.
template <class Face, class OwnerFace>
void reconcile(std::vector<Face>& boundary, const std::vector<OwnerFace>& ownerFixed,
               std::vector<OwnerFace>& ownerOwn, GraphNode& owner) {
    if (boundary.empty()) {
        appendPins(boundary, ownerFixed);
        appendPins(boundary, ownerOwn);
    } else if (!samePins(ownerOwn, boundary)) {
        ownerOwn.clear();
        appendPins(ownerOwn, boundary);
        synchronise(owner, nullptr, {});
    }
}

void syncBoundary(GraphNode& node, GraphNode& owner) {
    if (node.def->name == "SubgraphInputs")
        reconcile(node.output_defs, typeInputs(owner), owner.input_defs, owner);
    else if (node.def->name == "SubgraphOutputs")
        reconcile(node.input_defs, typeOutputs(owner), owner.output_defs, owner);
}

// Appends make(index) until the list has n entries, or cuts it to n.
template <class T, class Make>
void fitTo(std::vector<T>& list, size_t n, const Budget& budget, Make make) {
    if (list.size() < n) budget.charge(n - list.size(), sizeof(T));
    while (list.size() < n) list.push_back(make(list.size()));
    if (list.size() > n) list.erase(list.begin() + std::ptrdiff_t(n), list.end());
}

void syncOutputs(GraphNode& node, const Budget& budget) {
    size_t count = node.def->outputs.size() + node.output_defs.size();
    fitTo(node.outputValues, count, budget, [](size_t) { return MaybeValue(); });
    // A link from an output that no longer exists could never deliver anything.
    std::erase_if(node.connections, [&](const Connection& c) {
        return c.isDataLink() && c.src_output_idx >= 0 && size_t(c.src_output_idx) >= count;
    });
    fitTo(node.outputIDs, count, budget, [](size_t) { return takeId(); });
}

const InputDef& inputDeclaration(const GraphNode& node, size_t index) {
    size_t fixed = node.def->inputs.size();
    return index < fixed ? node.def->inputs[index] : node.input_defs[index - fixed];
}

MaybeValue initialValue(const InputDef& pin, const Budget& budget) {
    if (!pin.default_value.hasValue || pin.default_value.value.type != pin.value_type) return {};
    budget.charge(pin.default_value.value.text.size(), 1);
    return pin.default_value;
}

void syncInputs(GraphNode& node, const Budget& budget) {
    size_t count = node.def->inputs.size() + node.input_defs.size();
    fitTo(node.inputs, count, budget, [&](size_t i) { return initialValue(inputDeclaration(node, i), budget); });
    fitTo(node.inputIDs, count, budget, [](size_t) { return takeId(); });
}

void synchronise(GraphNode& node, ExecutionContext* context, const Budget& budget) {
    if (!node.def) return;
    if (context && context->owner) syncBoundary(node, *context->owner);
    syncOutputs(node, budget);
    syncInputs(node, budget);
    size_t slots = node.def->state.size();
    if (node.state.size() < slots) {
        budget.charge(slots - node.state.size(), sizeof(MaybeValue));
        node.state.resize(slots);
    }
}

}  // namespace

void syncPins(GraphNode& node, ExecutionContext* context) { synchronise(node, context, {}); }

void syncPinsWhileReading(GraphNode& node, BinaryReader& in) { synchronise(node, nullptr, {&in}); }

GraphNode::GraphNode(NodeType* type, ValueList initialInputs, std::vector<Connection> initialConnections)
    : id(takeId()), def(type), inputs(std::move(initialInputs)), connections(std::move(initialConnections)) {
    if (type) {
        state = type->state;
        defName = type->name;
    }
    syncPins(*this);
}

// ---------------------------------------------------------------------------------------------
// Binary form

namespace {

constexpr uint64_t kMinString = 8;
constexpr uint64_t kMinInputDef = 4 + kMinString + 4;  // type, name, four empty values
constexpr uint64_t kMinOutputDef = 4 + kMinString;
constexpr uint64_t kMinValue = 1;
constexpr uint64_t kIdSize = 4;
constexpr uint64_t kConnectionSize = 24;
// Three ids, type name, six counts, position, two flags, subgraph index, name.
constexpr uint64_t kMinNode = 12 + kMinString + 6 * 8 + 8 + 2 + 4 + kMinString;

using TargetKey = std::function<uint64_t(const Connection&)>;

const std::string& storedTypeName(const GraphNode& node) { return node.def ? node.def->name : node.defName; }

int32_t readId(BinaryReader& in) {
    int32_t id = in.i32();
    raiseIdCounter(id);
    return id;
}

template <class T, class ReadOne>
void readList(BinaryReader& in, uint64_t minElementSize, std::vector<T>& list, ReadOne readOne) {
    uint64_t n = in.count(minElementSize);
    for (uint64_t i = 0; i < n; ++i) list.push_back(readOne());
}

MaybeValue readValue(BinaryReader& in) {
    MaybeValue v;
    v.readBinary(in);
    return v;
}

InputDef readInputDef(BinaryReader& in) {
    InputDef d;
    d.value_type = in.i32();
    d.name = in.string();
    for (MaybeValue* v : {&d.default_value, &d.min_value, &d.max_value, &d.step_size}) v->readBinary(in);
    return d;
}

void writeInputDef(BinaryWriter& out, const InputDef& d) {
    out.i32(d.value_type);
    out.string(d.name);
    for (const MaybeValue* v : {&d.default_value, &d.min_value, &d.max_value, &d.step_size}) v->writeBinary(out);
}

OutputDef readOutputDef(BinaryReader& in) {
    OutputDef d;
    d.value_type = in.i32();
    d.name = in.string();
    return d;
}

Connection readConnection(BinaryReader& in) {
    Connection c;
    c.dstKey = in.u64();
    c.src_output_idx = in.i32();
    c.dst_input_idx = in.i32();
    c.id = readId(in);
    uint8_t padding[4];
    in.read(padding, sizeof padding);
    return c;
}

void writeConnection(BinaryWriter& out, const Connection& c, uint64_t targetKey) {
    static const uint8_t kPadding[4] = {};
    out.u64(targetKey);
    out.i32(c.src_output_idx);
    out.i32(c.dst_input_idx);
    out.i32(c.id);
    out.write(kPadding, sizeof kPadding);
}

template <class T, class WriteOne>
void writeList(BinaryWriter& out, const std::vector<T>& list, WriteOne writeOne) {
    out.u64(list.size());
    for (const T& element : list) writeOne(element);
}

void writeNode(BinaryWriter& out, const GraphNode& n, const TargetKey& targetKey) {
    out.i32(n.id);
    out.i32(n.entryID);
    out.i32(n.exitID);
    out.string(storedTypeName(n));
    writeList(out, n.input_defs, [&](const InputDef& d) { writeInputDef(out, d); });
    writeList(out, n.output_defs, [&](const OutputDef& d) {
        out.i32(d.value_type);
        out.string(d.name);
    });
    out.f32(n.posX);
    out.f32(n.posY);
    writeList(out, n.inputs, [&](const MaybeValue& v) { v.writeBinary(out); });
    writeList(out, n.inputIDs, [&](int32_t id) { out.i32(id); });
    writeList(out, n.outputIDs, [&](int32_t id) { out.i32(id); });
    writeList(out, n.connections, [&](const Connection& c) { writeConnection(out, c, targetKey(c)); });
    out.boolean(n.selfActivating);
    out.boolean(n.collapsed);
    out.i32(n.subgraph_index);
    out.string(n.name);
}

}  // namespace

void GraphNode::readBinary(BinaryReader& in) {
    content::RecordScope scope(in, "GraphNode");
    id = readId(in);
    entryID = readId(in);
    exitID = readId(in);
    defName = in.string();
    def = catalogue().find(defName);
    readList(in, kMinInputDef, input_defs, [&] { return readInputDef(in); });
    readList(in, kMinOutputDef, output_defs, [&] { return readOutputDef(in); });
    posX = in.f32();
    posY = in.f32();
    readList(in, kMinValue, inputs, [&] { return readValue(in); });
    readList(in, kIdSize, inputIDs, [&] { return readId(in); });
    readList(in, kIdSize, outputIDs, [&] {
        outputValues.emplace_back();
        return readId(in);
    });
    readList(in, kConnectionSize, connections, [&] { return readConnection(in); });
    selfActivating = in.boolean();
    collapsed = in.boolean();
    subgraph_index = in.i32();
    name = in.string();
    syncPinsWhileReading(*this, in);
}

// A node on its own has no graph to key its targets in; it keeps the keys it was read with.
void GraphNode::writeBinary(BinaryWriter& out) const {
    writeNode(out, *this, [](const Connection& c) { return c.dstKey; });
}

// ---------------------------------------------------------------------------------------------
// JSON form

namespace {

// Ids the system hands out are never negative, so -1 names no node.
constexpr int32_t kNoNode = -1;

const Json& member(const Json& object, const char* key) {
    static const Json null;
    return content::jsonHas(object, key) ? object[key] : null;
}

int32_t idFrom(const Json& value) {
    int32_t id = int32_t(content::asJsonInt(value));
    raiseIdCounter(id);
    return id;
}

MaybeValue valueFrom(const Json& json) {
    MaybeValue v;
    v.fromJson(json);
    return v;
}

InputDef inputDefFrom(const Json& j) {
    InputDef d;
    d.value_type = int32_t(content::jsonInt(j, "value_type"));
    d.name = content::jsonString(j, "name");
    d.default_value = valueFrom(member(j, "default_value"));
    d.min_value = valueFrom(member(j, "min_value"));
    d.max_value = valueFrom(member(j, "max_value"));
    d.step_size = valueFrom(member(j, "step_size"));
    return d;
}

Json inputDefJson(const InputDef& d) {
    return {{"value_type", d.value_type}, {"name", d.name}, {"default_value", d.default_value.toJson()},
            {"min_value", d.min_value.toJson()}, {"max_value", d.max_value.toJson()},
            {"step_size", d.step_size.toJson()}};
}

OutputDef outputDefFrom(const Json& j) {
    return {int32_t(content::jsonInt(j, "value_type")), content::jsonString(j, "name")};
}

Json outputDefJson(const OutputDef& d) { return {{"value_type", d.value_type}, {"name", d.name}}; }

Connection connectionFrom(const Json& j) {
    Connection c;
    c.id = idFrom(member(j, "id"));
    c.dstKey = uint64_t(content::jsonInt(j, "dst"));
    c.src_output_idx = int32_t(content::jsonInt(j, "src_output_idx"));
    c.dst_input_idx = int32_t(content::jsonInt(j, "dst_input_idx"));
    return c;
}

Json connectionJson(const Connection& c) {
    return {{"id", c.id}, {"dst", c.dst ? c.dst->id : kNoNode}, {"src_output_idx", c.src_output_idx},
            {"dst_input_idx", c.dst_input_idx}};
}

// Projects saved before a type gained an input hold values shifted by one pin. A stored value whose
// type code differs from its pin's gets the pin's default inserted ahead of it; returns, per
// stored position, whether that happened.
std::vector<bool> readInputs(GraphNode& node, const Json& stored) {
    std::vector<bool> shifted;
    for (size_t i = 0; i < stored.size(); ++i) {
        MaybeValue v = valueFrom(stored[i]);
        bool shift = v.hasValue && node.def && i < node.def->inputs.size() &&
                     v.value.type != node.def->inputs[i].value_type;
        if (shift) node.inputs.push_back(node.def->inputs[i].default_value);
        shifted.push_back(shift);
        node.inputs.push_back(std::move(v));
    }
    return shifted;
}

// The inserted pins' ids are taken only once every id of the node has raised the counter, so
// they cannot repeat one of the node's stored ids.
void readInputIds(GraphNode& node, const Json& stored, const std::vector<bool>& shifted) {
    std::vector<int32_t> ids;
    for (const Json& j : stored) ids.push_back(idFrom(j));
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i < shifted.size() && shifted[i]) node.inputIDs.push_back(takeId());
        node.inputIDs.push_back(ids[i]);
    }
}

template <class T, class ToJson>
Json jsonList(const std::vector<T>& list, ToJson toJson) {
    Json a = Json::array();
    for (const T& element : list) a.push_back(toJson(element));
    return a;
}

}  // namespace

void GraphNode::fromJson(const Json& json, const content::JsonFiles&) {
    using namespace content;
    id = idFrom(member(json, "id"));
    entryID = idFrom(member(json, "entryID"));
    exitID = idFrom(member(json, "exitID"));
    defName = jsonString(json, "def");
    def = catalogue().find(defName);
    if (!def) std::printf("WARNING: node definition not found: %s\n", defName.c_str());
    for (const Json& j : jsonArray(json, "input_defs")) input_defs.push_back(inputDefFrom(j));
    for (const Json& j : jsonArray(json, "output_defs")) output_defs.push_back(outputDefFrom(j));
    selfActivating = jsonBool(json, "selfActivating");
    if (jsonHas(json, "collapsed")) collapsed = jsonBool(json, "collapsed");
    if (jsonHas(json, "posX") && jsonHas(json, "posY")) {
        posX = jsonFloat(json, "posX");
        posY = jsonFloat(json, "posY");
    }
    std::vector<bool> shifted;
    if (jsonHas(json, "inputs")) shifted = readInputs(*this, jsonArray(json, "inputs"));
    for (const Json& j : jsonArray(json, "outputIDs")) {
        outputIDs.push_back(idFrom(j));
        outputValues.emplace_back();
    }
    for (const Json& j : jsonArray(json, "connections")) connections.push_back(connectionFrom(j));
    if (jsonHas(json, "inputs")) readInputIds(*this, jsonArray(json, "inputIDs"), shifted);
    if (jsonHas(json, "subgraph_index")) subgraph_index = int32_t(jsonInt(json, "subgraph_index"));
    if (jsonHas(json, "name")) name = jsonString(json, "name");
    syncPins(*this);
}

Json GraphNode::toJson(const content::JsonFiles&) const {
    Json j;
    j["id"] = id;
    j["entryID"] = entryID;
    j["exitID"] = exitID;
    j["def"] = storedTypeName(*this);
    j["input_defs"] = jsonList(input_defs, inputDefJson);
    j["output_defs"] = jsonList(output_defs, outputDefJson);
    j["selfActivating"] = selfActivating;
    j["collapsed"] = collapsed;
    j["posX"] = double(posX);
    j["posY"] = double(posY);
    j["inputs"] = jsonList(inputs, [](const MaybeValue& v) { return v.toJson(); });
    j["inputIDs"] = inputIDs;
    j["outputIDs"] = outputIDs;
    j["connections"] = jsonList(connections, connectionJson);
    j["subgraph_index"] = subgraph_index;
    j["name"] = name;
    return j;
}

// ---------------------------------------------------------------------------------------------
// Graphs

namespace {

using NodeList = std::vector<std::unique_ptr<GraphNode>>;

// Keys mean something only within one graph: resolve root and link targets against the nodes
// just read, give each node its type's initial state, and hand the nodes to the graph.
void adopt(Graph& graph, NodeList read, const std::vector<uint64_t>& keys, uint64_t rootKey) {
    std::unordered_map<uint64_t, GraphNode*> byKey;
    for (size_t i = 0; i < read.size(); ++i) byKey.emplace(keys[i], read[i].get());
    auto find = [&](uint64_t key) -> GraphNode* {
        auto it = byKey.find(key);
        return it == byKey.end() ? nullptr : it->second;
    };
    graph.root = find(rootKey);
    for (auto& node : read) {
        for (Connection& c : node->connections) c.dst = find(c.dstKey);
        if (node->def) node->state = node->def->state;
        graph.nodes.push_back(std::move(node));
    }
}

}  // namespace

void Graph::readBinary(BinaryReader& in) {
    content::RecordScope scope(in, "Graph");
    uint64_t rootKey = in.u64();
    uint64_t count = in.count(8 + kMinNode);
    NodeList read;
    std::vector<uint64_t> keys;
    for (uint64_t i = 0; i < count; ++i) {
        keys.push_back(in.u64());
        read.push_back(std::make_unique<GraphNode>());
        read.back()->readBinary(in);
    }
    adopt(*this, std::move(read), keys, rootKey);
}

// Keys are 1..n in node order, so the same graph always packs to the same bytes; 0 names no node.
void Graph::writeBinary(BinaryWriter& out) const {
    std::unordered_map<const GraphNode*, uint64_t> keys;
    for (size_t i = 0; i < nodes.size(); ++i) keys.emplace(nodes[i].get(), i + 1);
    auto keyOf = [&](const GraphNode* node) -> uint64_t {
        auto it = keys.find(node);
        return it == keys.end() ? 0 : it->second;
    };
    out.u64(keyOf(root));
    out.u64(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        out.u64(i + 1);
        writeNode(out, *nodes[i], [&](const Connection& c) { return keyOf(c.dst); });
    }
}

void Graph::fromJson(const Json& json, const content::JsonFiles& files) {
    NodeList read;
    std::vector<uint64_t> keys;
    for (const Json& j : content::jsonArray(json, "nodes")) {
        read.push_back(std::make_unique<GraphNode>());
        read.back()->fromJson(j, files);
        keys.push_back(uint64_t(int64_t(read.back()->id)));
    }
    adopt(*this, std::move(read), keys, uint64_t(content::jsonInt(json, "root")));
}

Json Graph::toJson(const content::JsonFiles& files) const {
    Json j;
    j["root"] = root ? root->id : kNoNode;
    j["nodes"] = jsonList(nodes, [&](const std::unique_ptr<GraphNode>& n) { return n->toJson(files); });
    return j;
}

}  // namespace Nodes
