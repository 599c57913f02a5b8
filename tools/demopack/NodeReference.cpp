#include "tools/demopack/NodeReference.h"

#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "graph/Linking.h"
#include "nodes/ValueNodes.h"
#include "scene/Scene.h"
#include "scripting/Natives.h"
#include "scripting/Script.h"
#include "shaders/ShaderPatch.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Event.h"

namespace demopack {
namespace {

// What a node type does, then what each of its fixed input and output pins means, by index.
struct TypeWords {
    const char* summary;
    std::vector<const char*> inputs, outputs;
};

const std::map<std::string, TypeWords>& builtinWords() {
    static const std::map<std::string, TypeWords> words = {
        {"Time", {"The frame's beat.", {}, {"the beat", "the beat minus its integer part", "1 minus that"}}},
        {"Subgraph",
         {"Runs the graph its `subgraph_index` names, with the node's own `input_defs` and `output_defs` as that "
          "graph's inputs and outputs.",
          {},
          {}}},
        {"SubgraphInputs", {"Inside a subgraph: outputs what the owning \"Subgraph\" node's inputs hold.", {}, {}}},
        {"SubgraphOutputs", {"Inside a subgraph: hands its inputs to the owning \"Subgraph\" node's outputs.", {}, {}}},
        {"TwoTriangles",
         {"Two triangles covering the viewport, made once.", {}, {"their vertex array", "their vertex count, 6"}}},
        {"DrawTriangles",
         {"Draws triangles with the program made current before it (by \"Shader\"); nothing without one.",
          {"the vertex array (from \"TwoTriangles\")", "how many vertices"},
          {}}},
        {"Shader",
         {"Makes a program current for \"DrawTriangles\". The program is a handle the authoring tool holds at run "
          "time, which a project cannot write: projects draw with \"Effect2D\" or a program's own node type.",
          {"the program's handle", "viewport and render size while it draws (optional)", "a texture on unit 0 (optional)"},
          {}}},
        {"ScreenToTexture",
         {"Copies the screen into a mipmapped texture.", {"the size copied; the render size when empty"}, {"the copy"}}},
        {"Effect2D",
         {"Draws a program of the show over the viewport, then copies the screen into a texture.",
          {"the program's index in `shaders`", "viewport and render size for this draw (optional)",
           "a texture on unit 0 (optional)"},
          {"the copy"}}},
        {"Operator",
         {"Arithmetic on floats; \"op\" picks the operation from the table below. Division by a \"b\" of 0 stops "
          "the flow after the node.",
          {"the operation", "a", "b", "c"},
          {"the result"}}},
        {"If",
         {"Compares; when the comparison fails the flow stops after the node.",
          {"the comparison, from the table below", "a", "b", "c"},
          {"whether it holds"}}},
        {"Texture", {"A texture of the show.", {"its index in `textures`"}, {"the texture"}}},
        {"SoundTexture",
         {"The sound texture, updated: 1024 × 2, row 0 the spectrum and row 1 the waveform of the sound just played.",
          {},
          {"the texture"}}},
        {"FontTexture",
         {"Writes a text into a font texture of the show (only when the text changed).",
          {"its index in `font_textures`", "the text"},
          {"the texture"}}},
        {"Clear", {"Clears colour and depth of the frame buffer bound.", {"red", "green", "blue", "alpha"}, {}}},
        {"SetFrameBuffer",
         {"Binds an off-screen target (made, or remade for a new size or mode) and clears it; the nodes after it "
          "draw into it until \"ClearFrameBuffer\". It does not set the viewport (\"size\" on the drawing node "
          "does).",
          {"its size; the render size when empty", "a depth texture instead of a colour one"},
          {"the target's texture"}}},
        {"ClearFrameBuffer",
         {"Ends off-screen drawing: mipmaps the texture and binds the screen again.", {"the target's texture"}, {}}},
        {"ReadPixel",
         {"Reads one pixel of the screen (or of the target bound).",
          {"its position"},
          {"red, green, blue, alpha", "red, green, blue", "red", "green", "blue", "alpha"}}},
        {"Constant",
         {"Passes each input on to the output of the same index.", {"a bool", "an int", "a float"},
          {"the bool", "the int", "the float"}}},
        {"Convert",
         {"Converts between int and float (toward zero).", {"an int", "a float"},
          {"the float converted to an int", "the int converted to a float"}}},
        {"Vec3", {"Packs three floats.", {"x", "y", "z"}, {"the vec3"}}},
        {"Vec3xyz", {"Unpacks a vec3.", {"the vec3"}, {"x", "y", "z"}}},
        {"IVec2", {"Packs two ints, as for a \"size\" or a \"pos\".", {"x", "y"}, {"the ivec2"}}},
        {"Note", {"Does nothing: a comment.", {"the comment"}, {}}},
        {"ClearPatches", {"Empties the frame's set of shader patches.", {}, {}}},
        {"Macro",
         {"Holds back the nodes its activation leads to and registers them under its name; \"CallMacro\" runs them.",
          {"the macro's name"},
          {}}},
        {"CallMacro", {"Runs the nodes of the macro of that name.", {"the macro's name"}, {}}},
        {"Animation",
         {"Poses a model's animation at phase fmod(position, 1) × (end − start) / divider + start / divider.",
          {"the model's index in `models`", "the animation's index", "position (its fractional part is the phase)",
           "divider", "start", "end"},
          {}}},
        {"ModelOptions",
         {"Sets how models are drawn.",
          {"the model's index in `models`", "how many instances scenes draw (`uInstance` tells them apart)",
           "draw without materials", "set the instance count", "set skipMaterials"},
          {}}},
    };
    return words;
}

// What each family of script functions computes, by the name of its first registration.
const std::map<std::string, const char*>& familyWords() {
    static const std::map<std::string, const char*> words = {
        {"smoothstep", "t = clamp((x − edge0) / (edge1 − edge0), 0, 1), then t × t × (3 − 2t); arguments edge0, edge1, x"},
        {"mix", "(1 − a) × x + a × y; arguments x, y, a"},
        {"clamp", "min(max(x, lo), hi); arguments x, lo, hi"},
        {"mul22", "the matrix product a × b"},
        {"vmul22", "the matrix times the column vector"},
        {"add2", "a + b"},
        {"sub2", "a − b"},
        {"mul2", "a × b, per component"},
        {"div2", "a / b, per component"},
        {"add2s", "the vector plus the number"},
        {"sub2s", "the vector minus the number"},
        {"mul2s", "the vector times the number"},
        {"div2s", "the vector divided by the number"},
        {"dot2", "the dot product"},
        {"cross3", "the cross product a × b"},
        {"acos", "arc cosine"},
        {"acosh", "inverse hyperbolic cosine"},
        {"asin", "arc sine"},
        {"asinh", "inverse hyperbolic sine"},
        {"atan", "arc tangent of one argument (atan2 is its vec2 form, not the two-argument one)"},
        {"atanh", "inverse hyperbolic tangent"},
        {"cos", "cosine"},
        {"cosh", "hyperbolic cosine"},
        {"sin", "sine"},
        {"sinh", "hyperbolic sine"},
        {"tan", "tangent"},
        {"tanh", "hyperbolic tangent"},
        {"exp", "e to the x (exp2 is the base-2 one below, not this family's vec2 form)"},
        {"exp2", "2 to the x"},
        {"log", "natural logarithm (log2 is the base-2 one below, not this family's vec2 form)"},
        {"log2", "base-2 logarithm"},
        {"sqrt", "square root"},
        {"inversesqrt", "1 / square root"},
        {"abs", "absolute value"},
        {"ceil", "rounded up"},
        {"floor", "rounded down"},
        {"round", "rounded, halves away from zero"},
        {"roundEven", "rounded, halves to even"},
        {"trunc", "rounded toward zero"},
        {"sign", "1, 0 or −1"},
        {"fract", "x − floor(x)"},
        {"degrees", "radians to degrees"},
        {"radians", "degrees to radians"},
        {"isinf", "whether x is infinite"},
        {"isnan", "whether x is not a number"},
        {"min", "the smaller"},
        {"max", "the larger"},
        {"mod", "x − y × floor(x / y)"},
        {"pow", "x to the y"},
        {"step", "0 when edge > x, else 1; arguments edge, x"},
        {"length2", "the vector's length"},
        {"normalize2", "the vector divided by its length"},
        {"distance2", "length(a − b)"},
        {"reflect2", "I − 2 × dot(N, I) × N; arguments I, N"},
        {"refract2", "the refracted direction, or zero when k < 0 (GLSL's refract); arguments I, N, eta"},
        {"faceforward2", "N when dot(Nref, I) < 0, else −N; arguments N, I, Nref"},
    };
    return words;
}

const char* kindName(int32_t type) {
    static const char* const names[] = {"bool", "int",   "float",   "string",       "vec2",     "vec3",
                                        "vec4", "ivec2", "ivec3",   "ivec4",        "mat2",     "mat3",
                                        "mat4", "texture", "handle", "vertex array", "reference"};
    return type >= 0 && type <= 16 ? names[type] : "?";
}

std::string defaultOf(const Nodes::InputDef& pin) {
    if (!pin.default_value.hasValue) return "";
    const content::Json value = pin.default_value.value.toJson()["value"];
    return value.is_null() ? "" : value.dump();
}

void pinTable(std::ostringstream& out, const Nodes::NodeType& type, const TypeWords* words) {
    if (type.inputs.empty() && type.outputs.empty()) return;
    out << "\n| pin | name | type | default | meaning |\n|---|---|---|---|---|\n";
    for (size_t i = 0; i < type.inputs.size(); ++i)
        out << "| in " << i << " | `" << type.inputs[i].name << "` | " << kindName(type.inputs[i].value_type) << " | "
            << defaultOf(type.inputs[i]) << " | " << (words ? words->inputs[i] : "") << " |\n";
    for (size_t i = 0; i < type.outputs.size(); ++i)
        out << "| out " << i << " | `" << type.outputs[i].name << "` | " << kindName(type.outputs[i].value_type)
            << " |  | " << (words ? words->outputs[i] : "") << " |\n";
}

void labelTable(std::ostringstream& out, const char* input, const std::vector<std::string>& labels) {
    out << "\n| `" << input << "` | computes |\n|---|---|\n";
    for (size_t i = 0; i < labels.size(); ++i) out << "| " << i << " | `" << labels[i] << "` |\n";
}

void builtinTypes(std::ostringstream& out, const Nodes::NodeCatalogue& catalogue, size_t count) {
    const auto& words = builtinWords();
    out << "## Built-in node types\n";
    for (size_t t = 0; t < count; ++t) {
        const Nodes::NodeType& type = catalogue[t];
        const auto found = words.find(type.name);
        if (found == words.end() || found->second.inputs.size() != type.inputs.size() ||
            found->second.outputs.size() != type.outputs.size())
            throw std::logic_error("the node reference does not describe the pins of \"" + type.name + "\"");
        out << "\n### " << type.name << "\n\n" << found->second.summary << "\n";
        pinTable(out, type, &found->second);
        if (type.name == "Operator") labelTable(out, "op", Nodes::operatorLabels());
        if (type.name == "If") labelTable(out, "compare", Nodes::comparisonLabels());
    }
}

// The linking passes make one type per item of a show; here they run on one sample item of each
// kind, so the pins shown are those the player makes.
struct Samples {
    std::vector<std::unique_ptr<ShaderProgram>> programs;
    std::vector<std::unique_ptr<Event>> events;
    std::vector<std::unique_ptr<Scene>> scenes;
    std::vector<std::unique_ptr<Script>> scripts;
    std::vector<std::unique_ptr<ShaderPatch>> patches;
};

UniformDef uniformDef(const char* name, float def) {
    UniformDef u;
    u.name = name;
    u.default_val = def;
    return u;
}

Samples samples() {
    Samples s;
    s.programs.push_back(std::make_unique<ShaderProgram>());
    s.programs[0]->fragmentFilename = "resources/waves.frag";
    s.programs[0]->uniformDefs = {uniformDef("twist", 0.5f), uniformDef("tex1", 0.0f)};
    s.events.push_back(std::make_unique<Event>());
    s.events[0]->type = Event::ValueEvent;
    s.events[0]->name = "controls";
    s.events[0]->uniform_defs = {uniformDef("fade", 0.0f)};
    s.scenes.push_back(std::make_unique<Scene>());
    s.scenes[0]->name = "stage";
    s.scripts.push_back(std::make_unique<Script>());
    s.scripts[0]->name = "wobble";
    ScriptPort beat, speed;
    beat.type = speed.type = values::Float;
    beat.name = "beat";
    speed.name = "speed";
    speed.isOutput = true;
    s.scripts[0]->inputs = {beat};
    s.scripts[0]->outputs = {speed};
    s.patches.push_back(std::make_unique<ShaderPatch>());
    s.patches[0]->name = "tint";
    return s;
}

struct GeneratedWords {
    const char* heading;
    const char* text;
};

const GeneratedWords kGenerated[] = {
    {"A shader program: `resources/waves.frag`",
     "Every program whose `fragment_shader_filename` ends in `.frag` is a node type of that name. It draws the "
     "program over the viewport: into the frame buffer bound, or, with \"internal\", into a target of its own whose "
     "texture it outputs (otherwise the output is a copy of the screen, made only when something uses it). After "
     "\"size\", \"tex\" and \"internal\" come the program's `uniform_defs` in order: a float pin each, or a texture "
     "pin for a name that begins with `tex`. The sample has the uniform defs `twist` (default 0.5) and `tex1`."},
    {"A value event: `controls.event`",
     "Every event of type 4 is a node type named after it followed by `.event`. Its input is the beat at which its "
     "tracks are read; its outputs are its `uniform_defs` in order (a string for `is_string`), each its track's value "
     "there, or its `default_val`. The sample has the uniform def `fade`."},
    {"A scene: `stage.scene`",
     "Every scene is a node type named after it followed by `.scene`. It draws the scene with the program whose index "
     "in `shaders` \"shader\" holds; the other inputs, when they hold a value, overwrite the active camera's fields, "
     "\"lightDirection\" its light direction (`uLightDir`)."},
    {"A script: `wobble.script`",
     "Every script is a node type named after it followed by `.script`: its inputs are the script's `inputs`, its "
     "outputs the script's `outputs`, in order. The sample has the input `beat` and the output `speed`."},
    {"A patch: `tint.patch`",
     "Every patch is a node type named after it followed by `.patch`; its inputs are the patch's `inputs`. It adds "
     "the patch to the frame's set, which the program nodes after it splice into their sources."},
};

void generatedTypes(std::ostringstream& out, Nodes::NodeCatalogue& catalogue) {
    const size_t first = catalogue.size();
    Samples s = samples();
    Nodes::linkShaderPrograms(s.programs, catalogue);
    Nodes::linkEvents(s.events, catalogue);
    Nodes::linkScenes(s.scenes, catalogue);
    Nodes::linkScripts(s.scripts, catalogue);
    Nodes::linkPatches(s.patches, catalogue);
    out << "\n## Node types a show adds\n";
    for (size_t t = first, i = 0; t < catalogue.size() && i < std::size(kGenerated); ++t, ++i) {
        out << "\n### " << kGenerated[i].heading << "\n\n" << kGenerated[i].text << "\n";
        pinTable(out, catalogue[t], nullptr);
    }
}

std::string signature(const scripting::NativeRow& row) {
    std::string text = "(";
    for (int a = 0; a < row.argc; ++a) text += std::string(a ? ", " : "") + kindName(row.args[a]);
    return text + ")";
}

// One row per function a script sees: a later registration under a name hides the earlier one.
void scriptLibrary(std::ostringstream& out) {
    const scripting::NativeRow* rows = scripting::nativeRows();
    const int count = scripting::nativeRowCount();
    std::map<std::string, int> last;
    for (int i = 0; i < count; ++i) last[rows[i].name] = i;
    out << "\n## Script functions\n\nGlobal functions every script can call. Vectors are arrays of numbers, "
           "matrices arrays of 4, 9 or 16 numbers column after column; all arithmetic is in 32-bit floats.\n\n"
           "| function | arguments | result | computes |\n|---|---|---|---|\n";
    const char* family = nullptr;
    for (int i = 0; i < count; ++i) {
        const bool startsFamily = i == 0 || rows[i].kernel != rows[i - 1].kernel;
        if (startsFamily) {
            const auto found = familyWords().find(rows[i].name);
            if (found == familyWords().end())
                throw std::logic_error(std::string("the node reference does not describe the script function ") + rows[i].name);
            family = found->second;
        }
        if (last[rows[i].name] != i) continue;
        out << "| `" << rows[i].name << "` | " << signature(rows[i]) << " | " << kindName(rows[i].result) << " | "
            << family << " |\n";
    }
}

}  // namespace

std::string nodeReference() {
    std::ostringstream out;
    out << "# Node types and script functions\n\nWritten by `demopack nodes` from the tables the player runs "
           "from; do not edit by hand. Pins are addressed by index: a connection's `src_output_idx` and "
           "`dst_input_idx`, a node's `inputs` (stored values, by input index). See docs/project-format.md for "
           "how graphs run.\n\n";
    Nodes::NodeCatalogue catalogue;
    const size_t builtins = catalogue.size();
    builtinTypes(out, catalogue, builtins);
    generatedTypes(out, catalogue);
    scriptLibrary(out);
    return out.str();
}

}  // namespace demopack
