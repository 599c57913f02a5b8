#include "graph/Graph.h"

#include <limits>

#include "content/ContentError.h"
#include "graph/ExecutionContext.h"
#include "tests/TestSupport.h"

using namespace Nodes;
using testing_support::fromBytes;
using testing_support::toBytes;
using values::MaybeValue;
using values::Value;

namespace {

GraphNode& addNode(Graph& graph, const char* type) {
    graph.nodes.push_back(std::make_unique<GraphNode>(catalogue().find(type)));
    return *graph.nodes.back();
}

Connection link(GraphNode* dst, int32_t src, int32_t dstInput, int32_t id) {
    Connection c;
    c.dst = dst;
    c.src_output_idx = src;
    c.dst_input_idx = dstInput;
    c.id = id;
    return c;
}

// A graph touching every field: own pins with hints, string and vector values, links of both
// kinds, one dangling link, and a node whose type this player does not know.
Graph sampleGraph() {
    Graph g;
    GraphNode& time = addNode(g, "Time");
    GraphNode& op = addNode(g, "Operator");
    GraphNode& sub = addNode(g, "Subgraph");
    GraphNode& gone = addNode(g, "Note");
    gone.def = nullptr;
    gone.defName = "Vanished";
    const float tint[] = {1, 2, 3};
    sub.input_defs.push_back(
        inputPin(values::Vec3, "tint", Value::ofFloats(values::Vec3, tint, 3), Value::ofFloat(0), Value::ofFloat(1)));
    sub.output_defs.push_back({values::String, "caption"});
    syncPins(sub);
    sub.subgraph_index = 2;
    sub.name = "inner";
    sub.posX = 12.5f;
    gone.inputs[0] = Value::ofString("kept as stored");
    time.selfActivating = true;
    time.collapsed = true;
    time.connections = {link(&op, 0, 1, takeId()), link(&sub, -1, -1, takeId()), link(nullptr, -1, -1, takeId())};
    op.connections = {link(&gone, -1, -1, takeId())};
    g.root = &time;
    return g;
}

Graph readGraph(const std::vector<uint8_t>& bytes) {
    content::BinaryReader in(bytes.data(), bytes.size());
    Graph g;
    g.readBinary(in);
    EXPECT_EQ(in.remaining(), 0u);
    return g;
}

}  // namespace

TEST(GraphModelTest, ZeroNodeGraphReadsWithoutRoot) {
    content::BinaryWriter out;
    out.u64(7);  // a root key that no node carries
    out.u64(0);
    Graph g = readGraph(out.bytes());
    EXPECT_EQ(g.root, nullptr);
    EXPECT_TRUE(g.nodes.empty());
    EXPECT_EQ(toBytes(g), std::vector<uint8_t>(16, 0));
}

TEST(GraphModelTest, StoredPinListsFollowTheirType) {
    Graph g;
    GraphNode& convert = addNode(g, "Convert");  // two inputs
    convert.inputs.push_back(Value::ofInt(9));
    convert.inputIDs.push_back(takeId());
    auto read = fromBytes<GraphNode>(toBytes(convert));
    EXPECT_EQ(read->inputs.size(), 2u);
    EXPECT_EQ(read->inputIDs, std::vector<int32_t>(convert.inputIDs.begin(), convert.inputIDs.begin() + 2));

    // One stored output id of three: the new ids come from above every id the node held.
    GraphNode& time = addNode(g, "Time");
    time.id = 10, time.entryID = 11, time.exitID = 12;
    time.outputIDs = {50};
    time.outputValues.resize(1);
    time.connections = {link(nullptr, -1, -1, 70)};
    nextId() = 0;
    read = fromBytes<GraphNode>(toBytes(time));
    EXPECT_EQ(read->outputIDs, (std::vector<int32_t>{50, 71, 72}));
    EXPECT_EQ(read->outputValues.size(), 3u);
    EXPECT_EQ(nextId(), 73);
}

TEST(GraphModelTest, NewInputPinsTakeTheirDefaults) {
    Graph g;
    GraphNode& draw = addNode(g, "DrawTriangles");
    EXPECT_EQ(draw.inputs, (ValueList{MaybeValue(), MaybeValue(Value::ofInt(6))}));
    EXPECT_EQ(draw.inputIDs.size(), 2u);

    // A declared default of another type than its pin is not used.
    GraphNode& sub = addNode(g, "Subgraph");
    sub.input_defs.push_back(inputPin(values::Float, "f", Value::ofInt(3)));
    syncPins(sub);
    EXPECT_EQ(sub.inputs, ValueList(1));
}

TEST(GraphModelTest, DataLinksFromMissingOutputsAreDropped) {
    Graph g;
    GraphNode& time = addNode(g, "Time");
    GraphNode& target = addNode(g, "Operator");
    time.outputIDs = {1, 2, 3, 4, 5, 6};
    time.outputValues.resize(6);
    time.connections = {link(&target, 5, 1, 100), link(&target, -1, -1, 101), link(&target, 2, 1, 102),
                        link(&target, 3, -1, 103), link(&target, 3, 1, 104)};  // 3: one past the last output
    Graph read = readGraph(toBytes(g));
    const auto& links = read.nodes[0]->connections;
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].id, 101);
    EXPECT_EQ(links[1].id, 102);
    EXPECT_EQ(links[2].id, 103);  // an activation link whatever its output index
    EXPECT_EQ(read.nodes[0]->outputValues.size(), 3u);
    EXPECT_EQ(links[1].dst, read.nodes[1].get());
}

TEST(GraphModelTest, ConnectionPaddingIsIgnoredAndWrittenAsZeros) {
    Graph g;
    GraphNode& a = addNode(g, "Time");
    GraphNode& b = addNode(g, "Vec3");
    a.connections = {link(&b, 0, 2, 40)};
    std::vector<uint8_t> bytes = toBytes(g);
    // The node ends with its flags, subgraph index and an empty name (15 bytes); then b's key.
    size_t padding = bytes.size() - toBytes(b).size() - 8 - 15 - 4;
    ASSERT_EQ(std::vector<uint8_t>(bytes.begin() + padding, bytes.begin() + padding + 4), std::vector<uint8_t>(4, 0));
    std::vector<uint8_t> forged = bytes;
    for (size_t i = 0; i < 4; ++i) forged[padding + i] = 0xA5;
    Graph read = readGraph(forged);
    EXPECT_EQ(read.nodes[0]->connections[0].dst, read.nodes[1].get());
    EXPECT_EQ(read.nodes[0]->connections[0].dst_input_idx, 2);
    EXPECT_EQ(toBytes(read), bytes);
}

TEST(GraphModelTest, KeysResolveWithinEachGraphOnly) {
    Graph first, second;
    for (Graph* g : {&first, &second}) {
        GraphNode& a = addNode(*g, "Time");
        GraphNode& b = addNode(*g, "Vec3");
        a.connections = {link(&b, 0, 0, takeId())};
        g->root = &b;
    }
    content::BinaryWriter out;
    first.writeBinary(out);
    second.writeBinary(out);
    content::BinaryReader in(out.bytes().data(), out.bytes().size());
    Graph r1, r2;
    r1.readBinary(in);
    r2.readBinary(in);
    for (Graph* g : {&r1, &r2}) {
        EXPECT_EQ(g->root, g->nodes[1].get());
        EXPECT_EQ(g->nodes[0]->connections[0].dst, g->nodes[1].get());
    }
}

TEST(GraphModelTest, BinaryAndJsonFormsRoundTripExactly) {
    Graph g = sampleGraph();
    std::vector<uint8_t> bytes = toBytes(g);
    Graph read = readGraph(bytes);
    EXPECT_EQ(toBytes(read), bytes);
    EXPECT_EQ(read.root, read.nodes[0].get());
    EXPECT_EQ(read.nodes[0]->connections[2].dst, nullptr);

    std::string json = g.toJson().dump();
    Graph fromJson;
    ::testing::internal::CaptureStdout();
    fromJson.fromJson(content::Json::parse(json));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "WARNING: node definition not found: Vanished\n");
    EXPECT_EQ(fromJson.toJson().dump(), json);
    EXPECT_EQ(toBytes(fromJson), bytes);
}

TEST(GraphModelTest, UnknownTypeKeepsItsStoredPinsAndName) {
    Graph g = sampleGraph();
    ::testing::internal::CaptureStdout();
    Graph read = readGraph(toBytes(g));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");  // only the JSON reader warns
    const GraphNode& gone = *read.nodes[3];
    EXPECT_EQ(gone.def, nullptr);
    EXPECT_EQ(gone.defName, "Vanished");
    EXPECT_EQ(gone.inputs, ValueList{MaybeValue(Value::ofString("kept as stored"))});
    EXPECT_TRUE(gone.outputValues.empty());
    EXPECT_TRUE(gone.state.empty());

    // Nodes of known types start from their type's state.
    Graph macros;
    addNode(macros, "Macro").state[0] = Value::ofBool(true);
    EXPECT_EQ(readGraph(toBytes(macros)).nodes[0]->state, ValueList{MaybeValue(Value::ofBool(false))});
}

TEST(GraphModelTest, CorruptBlocksThrow) {
    std::vector<uint8_t> bytes = toBytes(sampleGraph());
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        content::BinaryReader in(cut.data(), cut.size());
        Graph g;
        EXPECT_THROW(g.readBinary(in), content::ContentError) << "cut at " << n;
    }

    // A forged count of own pins is refused before anything is allocated, naming the record.
    content::BinaryWriter out;
    out.i32(1), out.i32(2), out.i32(3);
    out.string("Time");
    out.u64(uint64_t(1) << 60);
    content::BinaryReader in(out.bytes().data(), out.bytes().size());
    GraphNode node;
    try {
        node.readBinary(in);
        ADD_FAILURE() << "forged count accepted";
    } catch (const content::ContentError& e) {
        EXPECT_NE(std::string(e.what()).find("GraphNode"), std::string::npos) << e.what();
    }
}

// A small block must not be able to make pin synchronisation allocate without bound.
TEST(GraphModelTest, PinsMadeWhileReadingAreChargedToTheBlock) {
    static NodeType& wide = []() -> NodeType& {
        std::vector<InputDef> inputs;
        for (int i = 0; i < 4000; ++i) inputs.push_back(inputPin(values::Float, "in", Value::ofFloat(1)));
        return catalogue().append(NodeType("GraphModelTest.Wide", nullptr, {}, std::move(inputs), {}));
    }();
    Graph g;
    g.nodes.push_back(std::make_unique<GraphNode>());
    g.nodes[0]->def = &wide;
    EXPECT_EQ(readGraph(toBytes(g)).nodes[0]->inputs.size(), 4000u);

    for (int i = 0; i < 199; ++i) {
        g.nodes.push_back(std::make_unique<GraphNode>());
        g.nodes.back()->def = &wide;
    }
    std::vector<uint8_t> bytes = toBytes(g);
    ASSERT_LT(bytes.size(), 30000u);
    content::BinaryReader in(bytes.data(), bytes.size());
    Graph read;
    EXPECT_THROW(read.readBinary(in), content::ContentError);
}

TEST(GraphModelTest, JsonMigratesValuesOfATypeThatGainedAnInput) {
    // Saved when "Operator" had only a, b and c.
    content::Json node = content::Json::parse(R"({
        "id": 10, "entryID": 11, "exitID": 12, "def": "Operator", "selfActivating": false,
        "inputs": [{"hasValue": true, "value": {"type": 2, "value": 1.5}},
                   {"hasValue": true, "value": {"type": 2, "value": 2.5}},
                   {"hasValue": false}],
        "inputIDs": [13, 14, 15], "outputIDs": [16]})");
    nextId() = 0;
    GraphNode n;
    n.fromJson(node);
    EXPECT_EQ(n.inputs, (ValueList{Value::ofInt(0), Value::ofFloat(1.5f), Value::ofFloat(2.5f), MaybeValue()}));
    // The inserted pin's id repeats none of the node's stored ids.
    EXPECT_EQ(n.inputIDs, (std::vector<int32_t>{17, 13, 14, 15}));
    EXPECT_EQ(n.outputIDs, std::vector<int32_t>{16});
    EXPECT_EQ(n.posX, 64.0f);  // absent position keeps the default
}

TEST(GraphModelTest, JsonLinksNameTargetsById) {
    content::Json graph = content::Json::parse(R"({"root": 31, "nodes": [
        {"id": 30, "def": "Time", "connections": [{"id": 40, "dst": 31, "src_output_idx": 0, "dst_input_idx": 1},
                                                  {"id": 41, "dst": 99, "src_output_idx": -1, "dst_input_idx": -1}]},
        {"id": 31, "def": "Macro"}]})");
    Graph g;
    g.fromJson(graph);
    ASSERT_EQ(g.nodes.size(), 2u);
    EXPECT_EQ(g.root, g.nodes[1].get());
    EXPECT_EQ(g.nodes[0]->connections[0].dst, g.nodes[1].get());
    EXPECT_EQ(g.nodes[0]->connections[1].dst, nullptr);
    EXPECT_EQ(g.nodes[1]->state, ValueList{MaybeValue(Value::ofBool(false))});
    EXPECT_EQ(g.toJson()["nodes"][0]["connections"][1]["dst"], -1);
}

TEST(GraphModelTest, IdCounterNeverWraps) {
    int32_t saved = nextId();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    nextId() = 5;
    raiseIdCounter(3);
    EXPECT_EQ(nextId(), 5);
    raiseIdCounter(kMax);
    EXPECT_EQ(takeId(), kMax);
    EXPECT_EQ(takeId(), kMax);
    EXPECT_EQ(nextId(), kMax);
    nextId() = saved;
}

// ---------------------------------------------------------------------------------------------
// Subgraph boundaries

namespace {

struct Boundary {
    Graph outer, inner;
    GraphNode& owner = addNode(outer, "Subgraph");
    ExecutionContext context;

    Boundary() { context.owner = &owner; }
};

}  // namespace

TEST(GraphModelTest, EmptyBoundaryNodesTakeTheOwnersPins) {
    Boundary b;
    b.owner.input_defs = {inputPin(values::Float, "a"), inputPin(values::Vec3, "b")};
    b.owner.output_defs = {{values::Float, "y"}, {42, "odd"}};
    syncPins(b.owner);
    GraphNode& in = addNode(b.inner, "SubgraphInputs");
    GraphNode& out = addNode(b.inner, "SubgraphOutputs");
    syncPins(in, &b.context);
    syncPins(out, &b.context);

    EXPECT_EQ(in.output_defs, (std::vector<OutputDef>{{values::Float, "a"}, {values::Vec3, "b"}}));
    EXPECT_EQ(in.outputValues.size(), 2u);
    EXPECT_EQ(in.outputIDs.size(), 2u);
    Value zeroFloat;
    zeroFloat.type = values::Float;
    // A type code outside the value table gets no default rather than an invented one.
    EXPECT_EQ(out.input_defs, (std::vector<InputDef>{inputPin(values::Float, "y", zeroFloat), inputPin(42, "odd")}));
    EXPECT_EQ(out.inputs, (ValueList{zeroFloat, MaybeValue()}));

    // In the root graph there is no owner to follow.
    GraphNode& loose = addNode(b.inner, "SubgraphInputs");
    syncPins(loose, nullptr);
    EXPECT_TRUE(loose.output_defs.empty());
}

TEST(GraphModelTest, BoundaryNodesWithPinsImposeThemOnTheOwner) {
    Boundary b;
    GraphNode& target = addNode(b.outer, "Vec3");
    b.owner.input_defs = {inputPin(values::Float, "a"), inputPin(values::Vec3, "b")};
    b.owner.outputValues.resize(4);
    b.owner.connections = {link(&target, 3, 0, 500), link(&target, -1, -1, 501)};
    syncPins(b.owner);

    GraphNode& in = addNode(b.inner, "SubgraphInputs");
    in.output_defs = {{values::Float, "x"}};
    syncPins(in, &b.context);
    Value zeroFloat;
    zeroFloat.type = values::Float;
    EXPECT_EQ(b.owner.input_defs, std::vector<InputDef>{inputPin(values::Float, "x", zeroFloat)});
    EXPECT_EQ(b.owner.inputs.size(), 1u);
    EXPECT_EQ(b.owner.inputIDs.size(), 1u);

    // The owner has no outputs and still a data link from output 3.
    b.owner.connections = {link(&target, 3, 0, 502), link(&target, -1, -1, 503)};
    GraphNode& out = addNode(b.inner, "SubgraphOutputs");
    out.input_defs = {inputPin(values::Float, "x")};
    syncPins(out, &b.context);
    EXPECT_EQ(b.owner.output_defs, (std::vector<OutputDef>{{values::Float, "x"}}));
    EXPECT_EQ(b.owner.outputValues.size(), 1u);
    ASSERT_EQ(b.owner.connections.size(), 1u);
    EXPECT_EQ(b.owner.connections[0].id, 503);
    EXPECT_EQ(out.inputs.size(), 1u);

    // As many pins as the owner's is not enough: another name or type replaces them too.
    for (const OutputDef& pin : {OutputDef{values::Float, "renamed"}, OutputDef{values::Vec3, "renamed"}}) {
        in.output_defs = {pin};
        syncPins(in, &b.context);
        ASSERT_EQ(b.owner.input_defs.size(), 1u);
        EXPECT_EQ(b.owner.input_defs[0].name, pin.name);
        EXPECT_EQ(b.owner.input_defs[0].value_type, pin.value_type);
    }
}
