#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"
#include "tests/RecordChecks.h"
#include "tests/TestSupport.h"

using namespace content;
using namespace testing_support;

namespace {

ShaderProgram makeProgram() {
    ShaderProgram p;
    p.vertexFilename = "shaders/wave.vert";
    p.vertexSource = "in vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
    p.fragmentFilename = "shaders/wave.frag";
    p.fragmentSource = "uniform float speed;\nvoid main() {}\n";
    p.uniformDefs.resize(2);
    p.uniformDefs[0].name = "speed";
    p.uniformDefs[0].min_val = -2.0f;
    p.uniformDefs[0].default_val = 1.5f;
    p.uniformDefs[1].name = "caption";
    p.uniformDefs[1].is_string = true;
    return p;
}

ShaderPatch makePatch() {
    ShaderPatch p;
    p.name = "tint";
    p.fragment_patch = "color.rgb *= tint;";
    p.fragment_hook = "// <TINT>";
    p.inputs.resize(2);
    p.inputs[0].type = values::Vec3;
    p.inputs[0].name = "tint";
    const float one[3] = {1.0f, 1.0f, 1.0f};
    p.inputs[0].default_value = values::Value::ofFloats(values::Vec3, one, 3);
    p.inputs[0].max_value = values::Value::ofFloats(values::Vec3, one, 3);
    p.inputs[1].type = values::Float;
    p.inputs[1].name = "amount";
    return p;
}

// binary -> record -> JSON -> record -> binary gives the same bytes.
template <class T>
void expectJsonKeepsBytes(const T& record) {
    std::vector<uint8_t> bytes = toBytes(record);
    Json json = fromBytes<T>(bytes)->toJson({});
    EXPECT_EQ(toBytes(*fromJson<T>(json)), bytes) << json.dump();
}

size_t storedSize(const std::string& text) {
    BinaryWriter out;
    out.string(text);
    return out.bytes().size();
}

}  // namespace

TEST(ShaderRecordsTest, UniformDefRoundTripsWithTypedJsonReads) {
    UniformDef d = makeProgram().uniformDefs[0];
    EXPECT_EQ(toBytes(d).size(), storedSize("speed") + 13);
    expectJsonKeepsBytes(makeProgram().uniformDefs[1]);
    expectTruncationRejected<UniformDef>(toBytes(d), "UniformDef");

    // Integer literals where floats belong read as 0.0; is_string is only taken when present.
    auto read = fromJson<UniformDef>(Json::parse(R"({"min_val": 1, "max_val": 2.5, "is_string": 1})"));
    EXPECT_EQ(read->min_val, 0.0f);
    EXPECT_EQ(read->max_val, 2.5f);
    EXPECT_FALSE(read->is_string);
}

TEST(ShaderRecordsTest, ProgramRoundTripsInBinaryAndEmbeddedJson) {
    ShaderProgram p = makeProgram();
    auto read = fromBytes<ShaderProgram>(toBytes(p));
    EXPECT_EQ(read->vertexSource, p.vertexSource);
    EXPECT_EQ(read->fragmentFilename, p.fragmentFilename);
    ASSERT_EQ(read->uniformDefs.size(), 2u);
    EXPECT_TRUE(read->uniformDefs[1].is_string);
    EXPECT_EQ(p.toJson({})["fragment_shader_source"], p.fragmentSource);
    expectJsonKeepsBytes(p);
}

TEST(ShaderRecordsTest, ProgramFileModeWritesSourcesUnlessTheyWouldClash) {
    ScratchDir dir("program-files");
    JsonFiles files = filesIn(dir.path(), true);
    ShaderProgram first = makeProgram();
    Json firstJson = first.toJson(files);
    EXPECT_FALSE(firstJson.contains("vertex_shader_source"));
    EXPECT_FALSE(firstJson.contains("fragment_shader_source"));
    EXPECT_EQ(firstJson["uniform_defs"].size(), 2u);

    // The same vertex file name with other text, and a name outside the folder: both sources
    // stay in the JSON and nothing is overwritten or written outside.
    ShaderProgram clash = makeProgram();
    clash.vertexSource += "// changed\n";
    clash.fragmentFilename = "shaders/clash.frag";
    ShaderProgram outside = makeProgram();
    outside.fragmentFilename = (dir.path() / "abs.frag").string();
    Json clashJson = clash.toJson(files), outsideJson = outside.toJson(files);
    EXPECT_EQ(clashJson["vertex_shader_source"], clash.vertexSource);
    EXPECT_EQ(outsideJson["fragment_shader_source"], outside.fragmentSource);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "abs.frag"));

    testing::internal::CaptureStdout();
    auto back = fromJson<ShaderProgram>(firstJson, files);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(toBytes(*back), toBytes(first));
    EXPECT_LT(out.find("Loading file"), out.find("wave.vert"));
    EXPECT_LT(out.find("wave.vert"), out.find("wave.frag")) << out;
    EXPECT_EQ(toBytes(*fromJson<ShaderProgram>(clashJson, files)), toBytes(clash));
    EXPECT_EQ(toBytes(*fromJson<ShaderProgram>(outsideJson, files)), toBytes(outside));

    // A lost file loads as empty text.
    std::filesystem::remove(dir.path() / "shaders/wave.frag");
    testing::internal::CaptureStdout();
    auto lost = fromJson<ShaderProgram>(firstJson, files);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lost->vertexSource, first.vertexSource);
    EXPECT_EQ(lost->fragmentSource, "");
    EXPECT_NE(out.find("not found"), std::string::npos) << out;
}

TEST(ShaderRecordsTest, ProgramRejectsTruncationAndForgedCounts) {
    ShaderProgram bare = makeProgram();
    bare.uniformDefs.clear();
    std::vector<uint8_t> bytes = toBytes(bare);
    expectTruncationRejected<ShaderProgram>(bytes, "ShaderProgram");

    bytes[bytes.size() - 1] = 0x10;  // a count of 2^60 uniform defs
    BinaryReader in(bytes.data(), bytes.size());
    EXPECT_THROW(ShaderProgram().readBinary(in), ContentError);
}

TEST(ShaderRecordsTest, PatchRoundTripsAndStoresAbsentValuesAsOneByte) {
    ShaderPatch p = makePatch();
    auto read = fromBytes<ShaderPatch>(toBytes(p));
    EXPECT_EQ(read->fragment_hook, "// <TINT>");
    ASSERT_EQ(read->inputs.size(), 2u);
    EXPECT_EQ(read->inputs[0].max_value, p.inputs[0].max_value);
    EXPECT_FALSE(read->inputs[0].min_value.hasValue);
    expectJsonKeepsBytes(p);
    // type, name, then a flag byte per value; each present vec3 adds its 68 bytes.
    EXPECT_EQ(toBytes(p.inputs[1]).size(), 4 + storedSize("amount") + 3);
    EXPECT_EQ(toBytes(p.inputs[0]).size(), 4 + storedSize("tint") + 3 + 2 * 68);

    ShaderPatch bare = makePatch();
    bare.inputs.clear();
    expectTruncationRejected<ShaderPatch>(toBytes(bare), "ShaderPatch");
    expectTruncationRejected<PatchInput>(toBytes(p.inputs[0]), "PatchInput");
}

TEST(ShaderRecordsTest, PatchHooksKeepDefaultsWhenAbsentFromJson) {
    auto p = fromJson<ShaderPatch>(Json::parse(
        R"({"vertex_hook": "// <V>", "inputs": [{"type": 1, "name": "n",
            "default_value": {"hasValue": true, "value": {"type": 1, "value": 4}}}]})"));
    EXPECT_EQ(p->vertex_hook, "// <V>");
    EXPECT_EQ(p->fragment_hook, "// <FRAGMENT_PATCH>");
    ASSERT_EQ(p->inputs.size(), 1u);
    EXPECT_EQ(p->inputs[0].default_value.value.asInt(), 4);
    EXPECT_FALSE(p->inputs[0].min_value.hasValue);
}
