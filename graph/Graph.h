// Graphs of nodes wired by data links and activation links, with their binary and JSON forms
// and the pin synchronisation that keeps a node's pins in step with its node type.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "graph/NodeType.h"

namespace Nodes {

class GraphNode;

struct Connection {
    GraphNode* dst = nullptr;
    int32_t src_output_idx = -1;
    int32_t dst_input_idx = -1;
    int32_t id = 0;
    uint64_t dstKey = 0;  // key (binary) or id (JSON) the target was stored with

    bool isDataLink() const { return src_output_idx != -1 && dst_input_idx != -1; }
};

// The process-wide id counter for nodes, pins and connections.
int32_t& nextId();
void raiseIdCounter(int32_t id);
int32_t takeId();

class GraphNode : public ISerializable {
public:
    int32_t id = 0;
    int32_t entryID = 0;
    int32_t exitID = 0;
    NodeType* def = nullptr;
    std::vector<InputDef> input_defs;
    std::vector<OutputDef> output_defs;
    ValueList inputs;
    std::vector<int32_t> inputIDs;
    std::vector<int32_t> outputIDs;
    std::vector<Connection> connections;
    bool selfActivating = false;
    float posX = 64.0f, posY = 64.0f;
    bool collapsed = false;
    int32_t subgraph_index = -1;
    std::string name;
    ValueList outputValues;
    ValueList state;
    bool stopFlow = false;
    std::string defName;  // the type name as stored, kept for writing back nodes of unknown types

    GraphNode() = default;
    // A new node of a type: fresh ids, pins made by synchronisation.
    GraphNode(NodeType* type, ValueList inputs = {}, std::vector<Connection> connections = {});

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

// Brings the node's pin lists to its type's pin counts. With a context naming an owner, subgraph
// boundary nodes first take or impose the owner's pins.
void syncPins(GraphNode& node, ExecutionContext* context = nullptr);
// The same, charging every pin it creates to a reader's memory budget.
void syncPinsWhileReading(GraphNode& node, content::BinaryReader& in);

class Graph : public ISerializable {
public:
    GraphNode* root = nullptr;
    std::vector<std::unique_ptr<GraphNode>> nodes;

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

}  // namespace Nodes
