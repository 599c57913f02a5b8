#include "graph/NodeType.h"

#include <gtest/gtest.h>

using namespace Nodes;
using values::MaybeValue;
using values::Value;

namespace {

const InputDef& input(NodeCatalogue& c, const char* type, size_t i) { return c.find(type)->inputs.at(i); }

}  // namespace

TEST(NodeCatalogueTest, HoldsTheBuiltinTypesInOrder) {
    NodeCatalogue c;
    const char* expected[] = {
        "Time", "Subgraph", "SubgraphInputs", "SubgraphOutputs", "TwoTriangles", "DrawTriangles", "Shader",
        "ScreenToTexture", "Effect2D", "Operator", "If", "Texture", "SoundTexture", "FontTexture", "Clear",
        "SetFrameBuffer", "ClearFrameBuffer", "ReadPixel", "Constant", "Convert", "Vec3", "Vec3xyz", "IVec2",
        "Note", "ClearPatches", "Macro", "CallMacro", "Animation", "ModelOptions"};
    ASSERT_EQ(c.size(), std::size(expected));
    for (size_t i = 0; i < c.size(); ++i) {
        EXPECT_EQ(c[i].name, expected[i]);
        EXPECT_FALSE(c[i].stale);
    }
}

TEST(NodeCatalogueTest, BuiltinPinsCarryTheirDefaultsAndRanges) {
    NodeCatalogue c;
    const InputDef& op = input(c, "Operator", 0);
    EXPECT_EQ(op, inputPin(values::Int, "op", Value::ofInt(0), Value::ofInt(0), Value::ofInt(255)));
    EXPECT_EQ(input(c, "Effect2D", 0).max_value, MaybeValue(Value::ofInt(100)));
    EXPECT_EQ(input(c, "DrawTriangles", 1).default_value, MaybeValue(Value::ofInt(6)));
    EXPECT_EQ(input(c, "Animation", 3), inputPin(values::Float, "divider", Value::ofFloat(1)));
    EXPECT_EQ(input(c, "If", 3), inputPin(values::Bool, "c", Value::ofBool(false)));

    // Pins without a default stay empty, including the text pins.
    EXPECT_FALSE(input(c, "Convert", 0).default_value.hasValue);
    EXPECT_EQ(input(c, "FontTexture", 1), inputPin(values::String, "text"));
    EXPECT_FALSE(input(c, "Shader", 1).default_value.hasValue);

    const InputDef& pos = input(c, "ReadPixel", 0);
    ASSERT_TRUE(pos.default_value.hasValue);
    EXPECT_EQ(pos.default_value.value.type, values::IVec2);
    EXPECT_EQ(pos.default_value.value.intAt(1), 0);

    const NodeType& time = *c.find("Time");
    ASSERT_EQ(time.outputs.size(), 3u);
    EXPECT_EQ(time.outputs[2], (OutputDef{values::Float, "1-fract"}));
    EXPECT_EQ(c.find("ReadPixel")->outputs.size(), 6u);
    EXPECT_TRUE(c.find("Subgraph")->inputs.empty() && c.find("Subgraph")->outputs.empty());

    // State slots start empty, except the macro's "being called" flag.
    EXPECT_EQ(c.find("Macro")->state, ValueList{MaybeValue(Value::ofBool(false))});
    EXPECT_EQ(c.find("SetFrameBuffer")->state, ValueList(5));
    EXPECT_TRUE(c.find("Time")->state.empty());
}

TEST(NodeCatalogueTest, LabelsFollowTheNameRule) {
    EXPECT_EQ(labelFor("resources/blur.frag"), "Blur (shader)");
    EXPECT_EQ(labelFor("intro.event"), "Intro (event)");
    EXPECT_EQ(labelFor("wobble.script"), "Wobble (script)");
    EXPECT_EQ(labelFor("_x"), "?x");           // '_' is above 'Z' too
    EXPECT_EQ(labelFor("noise.frag"), "Noise.frag");
    EXPECT_EQ(labelFor("resources/sub/a.vert"), "Sub/a.vert");
    EXPECT_EQ(labelFor("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");  // a UTF-8 lead byte is negative
    EXPECT_EQ(labelFor(""), "");

    NodeType t("resources/blur.frag", nullptr, {}, {}, {});
    EXPECT_EQ(t.label, "Blur (shader)");
    EXPECT_FALSE(t.stale);
}

TEST(NodeCatalogueTest, FindReturnsTheFirstOfEqualNamesAndTypesStayPut) {
    NodeCatalogue c;
    NodeType* first = &c.append(NodeType("dup.event", nullptr, {}, {}, {}));
    c.append(NodeType("dup.event", nullptr, {}, {inputPin(values::Int, "n")}, {}));
    for (int i = 0; i < 1000; ++i) c.append(NodeType("filler" + std::to_string(i), nullptr, {}, {}, {}));
    EXPECT_EQ(c.find("dup.event"), first);
    EXPECT_TRUE(first->inputs.empty());
    EXPECT_EQ(c.find("Time"), &c[0]);
    EXPECT_EQ(c.find("nothing"), nullptr);
    EXPECT_EQ(&catalogue(), &catalogue());
}
