#include "scripting/Script.h"
#include "tests/RecordChecks.h"
#include "tests/TestSupport.h"

using namespace content;
using namespace testing_support;

namespace {

Script makeScript() {
    Script s;
    s.name = "sum2";
    s.source = "result.sum = a + b;";
    s.inputs.resize(2);
    s.inputs[0].type = values::Float;
    s.inputs[0].name = "a";
    s.inputs[0].default_value = values::Value::ofFloat(1.0f);
    s.inputs[1].type = values::String;
    s.inputs[1].name = "b";
    s.inputs[1].max_value = values::Value::ofString("zz");
    s.outputs.resize(1);
    s.outputs[0].type = values::Float;
    s.outputs[0].name = "sum";
    s.outputs[0].isOutput = true;
    return s;
}

}  // namespace

TEST(ScriptRecordsTest, RoundTripsInBinaryAndJson) {
    std::vector<uint8_t> bytes = toBytes(makeScript());
    auto read = fromBytes<Script>(bytes);
    EXPECT_EQ(read->source, "result.sum = a + b;");
    ASSERT_EQ(read->inputs.size(), 2u);
    EXPECT_EQ(read->inputs[0].default_value.value.asFloat(), 1.0f);
    EXPECT_FALSE(read->inputs[0].max_value.hasValue);
    EXPECT_EQ(read->inputs[1].max_value.value.text, "zz");
    ASSERT_EQ(read->outputs.size(), 1u);
    EXPECT_TRUE(read->outputs[0].isOutput);

    Json json = read->toJson({});
    EXPECT_FALSE(json["outputs"][0].contains("default_value"));
    EXPECT_EQ(toBytes(*fromJson<Script>(json)), bytes);
}

TEST(ScriptRecordsTest, OutputsStoreOnlyTypeAndName) {
    // An output added without its flag, or carrying a value, still takes the short form that the
    // reader expects in the output list.
    Script s = makeScript();
    s.outputs[0].isOutput = false;
    s.outputs[0].default_value = values::Value::ofInt(3);
    std::vector<uint8_t> bytes = toBytes(s);
    EXPECT_EQ(bytes, toBytes(makeScript()));
    EXPECT_FALSE(fromBytes<Script>(bytes)->outputs[0].default_value.hasValue);
    EXPECT_FALSE(fromJson<Script>(s.toJson({}))->outputs[0].default_value.hasValue);
}

TEST(ScriptRecordsTest, JsonReadsAreTyped) {
    auto s = fromJson<Script>(Json::parse(
        R"({"name": 5, "source": "x;", "inputs": [{"type": 2.0, "name": "a", "min_value": {"hasValue": true}}]})"));
    EXPECT_EQ(s->name, "");
    ASSERT_EQ(s->inputs.size(), 1u);
    EXPECT_EQ(s->inputs[0].type, 0);
    // Marked present without a value: the flag stays and the value is the default one.
    EXPECT_TRUE(s->inputs[0].min_value.hasValue);
    EXPECT_EQ(s->inputs[0].min_value.value, values::Value());
    EXPECT_FALSE(s->inputs[0].default_value.hasValue);
}

TEST(ScriptRecordsTest, RejectsTruncationAndForgedCounts) {
    Script bare = makeScript();
    bare.inputs.clear();
    bare.outputs.clear();
    std::vector<uint8_t> bytes = toBytes(bare);
    expectTruncationRejected<Script>(bytes, "Script");
    expectTruncationRejected<ScriptPort>(toBytes(makeScript().inputs[1]), "ScriptPort");

    // Five inputs need at least 80 bytes; 79 are there.
    bytes.resize(bytes.size() - 16);
    bytes.push_back(5);
    bytes.resize(bytes.size() + 7 + 79);
    BinaryReader in(bytes.data(), bytes.size());
    EXPECT_THROW(Script().readBinary(in), ContentError);
}
