#include "nodes/BuiltinTypes.h"

#include "nodes/SubgraphNodes.h"
#include "nodes/ValueNodes.h"

namespace Nodes {
namespace {

using namespace values;

InputDef pin(const char* name, int32_t type) { return inputPin(type, name); }

InputDef pin(const char* name, Value initial) {
    int32_t type = initial.type;
    return inputPin(type, name, std::move(initial));
}

// An index into one of the show's lists, with the range the authoring tool offers for it.
InputDef index(const char* name, int32_t max) {
    return inputPin(Int, name, Value::ofInt(0), Value::ofInt(0), Value::ofInt(max));
}

OutputDef out(const char* name, int32_t type) { return {type, name}; }

Value boolean(bool v) { return Value::ofBool(v); }
Value integer(int32_t v) { return Value::ofInt(v); }
Value real(float v) { return Value::ofFloat(v); }

Value zeros(int32_t type) {
    Value v;
    v.type = type;
    return v;
}

// Types drawn on the GPU have no execute here: the live library installs theirs.
NodeType row(const char* name, ExecuteFn execute, std::vector<InputDef> inputs, std::vector<OutputDef> outputs,
             ValueList state = {}) {
    return NodeType(name, execute, std::move(state), std::move(inputs), std::move(outputs));
}

ValueList emptySlots(size_t n) { return ValueList(n); }

}  // namespace

std::vector<NodeType> builtinTypes() {
    return {
        row("Time", runTime, {}, {out("currentBeat", Float), out("fract", Float), out("1-fract", Float)}),
        row("Subgraph", runSubgraph, {}, {}),
        row("SubgraphInputs", runSubgraphInputs, {}, {}),
        row("SubgraphOutputs", runSubgraphOutputs, {}, {}),
        row("TwoTriangles", nullptr, {}, {out("vao", VertexArray), out("count", Int)}, emptySlots(1)),
        row("DrawTriangles", nullptr, {pin("vao", VertexArray), pin("count", integer(6))}, {}),
        row("Shader", nullptr, {pin("shader", integer(0)), pin("size", IVec2), pin("tex", Texture)}, {}),
        row("ScreenToTexture", nullptr, {pin("size", IVec2)}, {out("texture", Texture)}, emptySlots(2)),
        row("Effect2D", nullptr, {index("shader", 100), pin("size", IVec2), pin("tex", Texture)},
            {out("texture", Texture)}, emptySlots(3)),
        row("Operator", runOperator, {index("op", 255), pin("a", real(0)), pin("b", real(0)), pin("c", real(0))},
            {out("result", Float)}),
        row("If", runIf, {index("compare", 255), pin("a", real(0)), pin("b", real(0)), pin("c", boolean(false))},
            {out("result", Bool)}),
        row("Texture", nullptr, {index("textureID", 255)}, {out("texture", Texture)}),
        row("SoundTexture", nullptr, {}, {out("texture", Texture)}),
        row("FontTexture", nullptr, {pin("font_texture", integer(0)), pin("text", String)}, {out("texture", Texture)}),
        row("Clear", nullptr, {pin("r", real(0)), pin("g", real(0)), pin("b", real(0)), pin("a", real(0))}, {}),
        row("SetFrameBuffer", nullptr, {pin("size", IVec2), pin("useDepth", boolean(false))},
            {out("texture", Texture)}, emptySlots(5)),
        row("ClearFrameBuffer", nullptr, {pin("texture", Texture)}, {}),
        row("ReadPixel", nullptr, {pin("pos", zeros(IVec2))},
            {out("rgba", Vec4), out("rgb", Vec3), out("r", Float), out("g", Float), out("b", Float), out("a", Float)}),
        row("Constant", runConstant, {pin("bool", boolean(false)), pin("int", integer(0)), pin("float", real(0))},
            {out("bool", Bool), out("int", Int), out("float", Float)}),
        row("Convert", runConvert, {pin("int", Int), pin("float", Float)}, {out("int", Int), out("float", Float)}),
        row("Vec3", runVec3, {pin("x", real(0)), pin("y", real(0)), pin("z", real(0))}, {out("vec3", Vec3)}),
        row("Vec3xyz", runVec3xyz, {pin("vec3", zeros(Vec3))}, {out("x", Float), out("y", Float), out("z", Float)}),
        row("IVec2", runIVec2, {pin("x", integer(0)), pin("y", integer(0))}, {out("ivec2", IVec2)}),
        row("Note", runNote, {pin("note", String)}, {}),
        row("ClearPatches", runClearPatches, {}, {}),
        row("Macro", runMacro, {pin("name", String)}, {}, {boolean(false)}),
        row("CallMacro", runCallMacro, {pin("name", String)}, {}),
        row("Animation", nullptr,
            {pin("model", integer(0)), pin("index", integer(0)), pin("position", real(0)), pin("divider", real(1)),
             pin("start", real(0)), pin("end", real(1))},
            {}),
        row("ModelOptions", nullptr,
            {pin("model", integer(0)), pin("instances", integer(1)), pin("skipMaterials", boolean(false)),
             pin("setInstances", boolean(false)), pin("setSkipMaterials", boolean(false))},
            {}),
    };
}

}  // namespace Nodes
