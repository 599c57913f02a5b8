#include "shaders/PatchSplicing.h"

#include <gtest/gtest.h>

using values::MaybeValue;
using values::Value;

namespace {

using Inputs = std::vector<std::pair<int32_t, const char*>>;

ShaderPatch patch(const char* fragment, const char* vertex = "", Inputs inputs = {}) {
    ShaderPatch p;
    p.fragment_patch = fragment;
    p.vertex_patch = vertex;
    for (auto [type, name] : inputs) {
        PatchInput in;
        in.type = type;
        in.name = name;
        p.inputs.push_back(in);
    }
    return p;
}

std::vector<MaybeValue> floats(std::initializer_list<float> list) {
    std::vector<MaybeValue> values;
    for (float v : list) values.push_back(Value::ofFloat(v));
    return values;
}

// A source program and the private copy a node keeps, with the node's memo.
struct Clone {
    ShaderProgram source, target;
    MaybeValue vertexMemo, fragmentMemo, countMemo;
    std::string vertexText, fragmentText;

    Clone() {
        source.vertexSource = "#version 150\n// <UNIFORMS>\nvoid main() {\n// <VERTEX_PATCH>\n}\n";
        source.fragmentSource =
            "#version 150\n// <UNIFORMS>\nvoid main() {\n// <FRAGMENT_PATCH>\n}\n// <FRAGMENT_PATCH>\n";
        target = source;
    }
    PatchAction plan(const PatchSet* set) {
        return planPatch(source, target, set, vertexMemo, fragmentMemo, countMemo, vertexText, fragmentText);
    }
};

}  // namespace

TEST(PatchSplicing, PatchesAccumulateUnderTheirHooksAndInputsKeepTheirFirstPlace) {
    PatchSet set;
    addToPatchSet(set, patch("a", "", {{values::Vec3, "tint"}, {values::Float, "amount"}}), floats({1, 2}));
    addToPatchSet(set, patch("b", "v", {{values::Float, "amount"}}), floats({5, 6}));
    ShaderPatch custom = patch("", "w");
    custom.vertex_hook = "// <OTHER>";
    addToPatchSet(set, custom, {});

    EXPECT_EQ(set.fragmentHooks, (std::map<std::string, std::string>{{"// <FRAGMENT_PATCH>", "a\nb\n"}}));
    EXPECT_EQ(set.vertexHooks,
              (std::map<std::string, std::string>{{"// <OTHER>", "w\n"}, {"// <VERTEX_PATCH>", "v\n"}}));
    ASSERT_EQ(set.inputs.size(), 2u);
    EXPECT_EQ(set.inputs[0].first, "tint");
    EXPECT_EQ(set.inputs[1].first, "amount");
    EXPECT_EQ(set.inputs[1].second, Value::ofFloat(5));

    // Only as many inputs as both the patch and the node have.
    addToPatchSet(set, patch("", "", {{values::Float, "x"}, {values::Float, "y"}}), floats({3}));
    EXPECT_EQ(set.inputs.size(), 3u);

    // A node input without a value still declares the uniform with the patch's type.
    addToPatchSet(set, patch("", "", {{values::Vec4, "edge"}}), {MaybeValue()});
    Value zeroVec4;
    zeroVec4.type = values::Vec4;
    EXPECT_EQ(set.inputs.back().second, zeroVec4);

    // A cleared set keeps its storage for the next frame but none of its contents.
    set.clear();
    custom.inputs = {};
    addToPatchSet(set, custom, {});
    addToPatchSet(set, patch("c", "", {{values::Float, "a name past the short string buffer"}}), floats({7}));
    EXPECT_EQ(set.vertexHooks, (std::map<std::string, std::string>{{"// <OTHER>", "w\n"}}));
    EXPECT_EQ(set.fragmentHooks, (std::map<std::string, std::string>{{"// <FRAGMENT_PATCH>", "c\n"}}));
    ASSERT_EQ(set.inputs.size(), 1u);
    EXPECT_EQ(set.inputs[0].first, "a name past the short string buffer");
}

TEST(PatchSplicing, UniformTypesFollowTheValueCodes) {
    const char* expected[] = {"bool",  "int",   "float", "float", "vec2",      "vec3",  "vec4",  "ivec2", "ivec3",
                              "ivec4", "float", "float", "float", "sampler2D", "float", "float", "float"};
    for (int32_t code = 0; code < int32_t(std::size(expected)); ++code)
        EXPECT_STREQ(values::glslTypeName(code), expected[code]) << code;
}

TEST(PatchSplicing, WithoutASetOnlyChangedSourcesRecompile) {
    Clone c;
    EXPECT_EQ(c.plan(nullptr), PatchAction::None);
    c.source.fragmentSource = "changed";
    EXPECT_EQ(c.plan(nullptr), PatchAction::Recompile);
    EXPECT_EQ(c.target.fragmentSource, "changed");
    EXPECT_EQ(c.target.vertexSource, c.source.vertexSource);
    EXPECT_EQ(c.plan(nullptr), PatchAction::None);
}

TEST(PatchSplicing, UniformsGoIntoBothShadersAndHooksAreReplacedOnce) {
    Clone c;
    PatchSet set;
    const float tint[3] = {1, 0.5f, 0};
    addToPatchSet(set, patch("a", "", {{values::Vec3, "tint"}}), {Value::ofFloats(values::Vec3, tint, 3)});
    addToPatchSet(set, patch("b", "v"), {});
    ASSERT_EQ(c.plan(&set), PatchAction::RecompileWithPatch);
    EXPECT_EQ(c.vertexText, "#version 150\nuniform vec3 tint;\n\nvoid main() {\nv\n\n}\n");
    EXPECT_EQ(c.fragmentText, "#version 150\nuniform vec3 tint;\n\nvoid main() {\na\nb\n\n}\n// <FRAGMENT_PATCH>\n");
    EXPECT_EQ(c.vertexMemo, MaybeValue(Value::ofString("// <VERTEX_PATCH>:v\n||")));
    EXPECT_EQ(c.fragmentMemo, MaybeValue(Value::ofString("// <FRAGMENT_PATCH>:a\nb\n||")));
    EXPECT_EQ(c.countMemo, MaybeValue(Value::ofInt(1)));
}

TEST(PatchSplicing, RebuildsWhenHooksCountOrSourcesChangeButNotForNewValues) {
    Clone c;
    PatchSet set;
    addToPatchSet(set, patch("a", "", {{values::Float, "amount"}}), floats({1}));
    EXPECT_EQ(c.plan(&set), PatchAction::RecompileWithPatch);

    PatchSet sameHooks;
    addToPatchSet(sameHooks, patch("a", "", {{values::Float, "amount"}}), floats({2}));
    c.vertexText.clear();
    EXPECT_EQ(c.plan(&sameHooks), PatchAction::None);
    EXPECT_TRUE(c.vertexText.empty());

    ShaderPatch other = patch("c");
    other.fragment_hook = "// <MORE>";
    addToPatchSet(sameHooks, other, {});
    EXPECT_EQ(c.plan(&sameHooks), PatchAction::RecompileWithPatch);

    addToPatchSet(sameHooks, patch("", "", {{values::Int, "count"}}), {Value::ofInt(3)});
    EXPECT_EQ(c.plan(&sameHooks), PatchAction::RecompileWithPatch);
    EXPECT_EQ(c.plan(&sameHooks), PatchAction::None);

    c.source.vertexSource += "// edited\n";
    EXPECT_EQ(c.plan(&sameHooks), PatchAction::RecompileWithPatch);
    EXPECT_EQ(c.target.vertexSource, c.source.vertexSource);
}

TEST(PatchSplicing, EmptySetRebuildsOnceWithTheUniformMarkerRemoved) {
    Clone c;
    PatchSet empty;
    ASSERT_EQ(c.plan(&empty), PatchAction::RecompileWithPatch);
    EXPECT_EQ(c.vertexText, "#version 150\n\nvoid main() {\n// <VERTEX_PATCH>\n}\n");
    EXPECT_EQ(c.fragmentMemo, MaybeValue(Value::ofString("")));
    EXPECT_EQ(c.plan(&empty), PatchAction::None);
}

TEST(PatchSplicing, EmptyHookInsertsNothing) {
    Clone c;
    ShaderPatch p = patch("x");
    p.fragment_hook = "";
    PatchSet set;
    addToPatchSet(set, p, {});
    ASSERT_EQ(c.plan(&set), PatchAction::RecompileWithPatch);
    EXPECT_EQ(c.fragmentText.find('x'), std::string::npos);
    EXPECT_TRUE(c.fragmentText.starts_with("#version 150\n"));
}
