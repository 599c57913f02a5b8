#include "checks/BuildCheck.h"

#include <GL/glew.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

#include "content/ContentError.h"
#include "show/Demo.h"
#include "graph/Graph.h"
#include "frame/OffscreenGL.h"
#include "frame/Runtime.h"
#include "scripting/ScriptEngine.h"
#include "shaders/PatchSplicing.h"
#include "shaders/ShaderSource.h"
#include "checks/ProjectCheck.h"
#include "checks/OutputCapture.h"
#include "checks/SceneCheck.h"

namespace checks {
namespace {

using content::JsonPositions;

std::string listPath(const char* list, size_t index) { return JsonPositions::child(JsonPositions::child("", list), index); }

class Timer {
public:
    explicit Timer(double& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
    ~Timer() { total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    double& total_;
    std::chrono::steady_clock::time_point start_;
};

std::string infoLog(GLuint object, bool program) {
    GLint length = 0;
    program ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(length > 0 ? length : 1), '\0');
    program ? glGetProgramInfoLog(object, GLsizei(log.size()), nullptr, log.data())
            : glGetShaderInfoLog(object, GLsizei(log.size()), nullptr, log.data());
    return log.c_str();
}

bool compiled(GLuint shader) {
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok == GL_TRUE;
}

// Lines that a patch put into a program are told at the patch's text in the project.
struct PatchText {
    std::string origin;  // the origin followEdits gives the patch's lines
    std::string path;    // the patch's text in the project
};

// Reports a failed shader's messages at the files and lines they are about; the program's entry
// in the project stands in for messages that name no line.
void reportShader(GLuint shader, const MappedSource& source, const std::string& entry, const std::string& label,
                  ProjectCheck& findings, const PatchText& patch = {}) {
    if (compiled(shader)) return;
    for (const ShaderMessage& m : parseShaderLog(infoLog(shader, false), source)) {
        if (m.where.file.empty()) {
            findings.add(entry, findings.describe(entry) + ": " + label + ": " + m.text);
        } else if (!patch.origin.empty() && m.where.file == patch.origin) {
            const size_t slash = patch.path.rfind('/');
            findings.add(patch.path, findings.describe(patch.path.substr(0, slash)) + ": line " +
                                         std::to_string(m.where.line) + " of \"" + patch.path.substr(slash + 1) +
                                         "\" in " + label + ": " + m.text);
        } else {
            findings.addInFile(m.where.file, {m.where.line, m.column}, m.text);
        }
    }
}

// Shaders that compiled but do not link together fail as a program.
void reportLink(const ShaderProgram& p, const std::string& entry, const std::string& label, ProjectCheck& findings) {
    if (!compiled(p.vertexShader) || !compiled(p.fragmentShader)) return;
    GLint linked = GL_FALSE;
    glGetProgramiv(p.program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return;
    std::istringstream log(infoLog(p.program, true));
    for (std::string line; std::getline(log, line);)
        if (!line.empty()) findings.add(entry, findings.describe(entry) + ": " + label + " does not link: " + line);
}

// A uniform def whose name is no active uniform animates nothing: the shader does not declare it,
// or declares it and never uses it, and the compiler drops it. Defs that stand for texts have no
// uniform of their own.
void reportUnusedDefs(const ShaderProgram& p, const std::string& entry, ProjectCheck& findings) {
    for (size_t k = 0; k < p.uniformDefs.size(); ++k) {
        const UniformDef& def = p.uniformDefs[k];
        if (def.location != -1 || def.is_string) continue;
        const std::string at = JsonPositions::child(JsonPositions::child(JsonPositions::child(entry, "uniform_defs"), k), "name");
        findings.warn(at, findings.describe(entry) + ": the uniform def " + "\"" + def.name +
                              "\" is no uniform the program uses (not declared, or declared and unused, which the "
                              "compiler drops), so tracks and nodes set nothing");
    }
}

std::vector<const ShaderProgram*> programList(const Demo& demo) {
    std::vector<const ShaderProgram*> list;
    for (const auto& p : demo.shaders) list.push_back(p.get());
    return list;
}

// A program that other programs include and nothing draws is a library of functions: it need not
// link on its own (it usually has no main).
bool isLibrary(const Demo& demo, const ShaderProgram& p) {
    const std::string include = "#include \"" + p.fragmentFilename + "\"";
    bool included = false;
    for (const auto& other : demo.shaders)
        included = included || (other.get() != &p && other->fragmentSource.find(include) != std::string::npos);
    for (const auto& effect : demo.effects)
        if (effect->program == &p) return false;
    for (const auto& graph : demo.graphs)
        for (const auto& node : graph->nodes)
            if (node->defName == p.fragmentFilename) return false;
    return included;
}

void checkPrograms(Demo& demo, ProjectCheck& findings, const BuildReuse& reuse) {
    const std::vector<const ShaderProgram*> programs = programList(demo);
    for (size_t i = 0; i < demo.shaders.size(); ++i) {
        ShaderProgram& p = *demo.shaders[i];
        if (i >= reuse.programs.size() || !reuse.programs[i]) {
            OutputCapture quiet;
            p.build();
        }
        const std::string entry = listPath("shaders", i);
        reportShader(p.vertexShader, wholeFile(p.vertexSource, p.vertexFilename), entry, "vertex shader", findings);
        reportShader(p.fragmentShader, resolveIncludes(p, programs), entry, "fragment shader", findings);
        if (!isLibrary(demo, p)) reportLink(p, entry, "the program", findings);
        if (p.linked) reportUnusedDefs(p, entry, findings);
    }
}

// A patch node feeds every shader-program node that follows it in its graph, through activation
// or data links: those draw with the patch in the frame's patch set.
struct Feed {
    const ShaderPatch* patch;
    size_t patchIndex;
    const Nodes::GraphNode* node;
    size_t program;
};

std::vector<Feed> patchFeeds(const Demo& demo) {
    std::vector<Feed> feeds;
    std::set<std::pair<const ShaderPatch*, size_t>> seen;
    for (const auto& graph : demo.graphs) {
        for (const auto& start : graph->nodes) {
            const ShaderPatch* patch = nullptr;
            size_t patchIndex = 0;
            for (size_t p = 0; p < demo.patches.size(); ++p)
                if (start->defName == demo.patches[p]->name + ".patch") patch = demo.patches[p].get(), patchIndex = p;
            if (!patch) continue;
            std::vector<const Nodes::GraphNode*> queue{start.get()};
            std::set<const Nodes::GraphNode*> visited{start.get()};
            for (size_t q = 0; q < queue.size(); ++q) {
                for (const Nodes::Connection& c : queue[q]->connections) {
                    if (!c.dst || !visited.insert(c.dst).second) continue;
                    queue.push_back(c.dst);
                    for (size_t i = 0; i < demo.shaders.size(); ++i)
                        if (c.dst->defName == demo.shaders[i]->fragmentFilename && seen.insert({patch, i}).second)
                            feeds.push_back({patch, patchIndex, start.get(), i});
                }
            }
        }
    }
    return feeds;
}

// The program's private copy, patched as a drawing node patches it on its first frame.
void checkPatch(const Demo& demo, const Feed& feed, ProjectCheck& findings) {
    const ShaderProgram& source = *demo.shaders[feed.program];
    PatchSet set;
    std::vector<values::MaybeValue> inputs(feed.node->inputs.begin(), feed.node->inputs.end());
    inputs.resize(feed.patch->inputs.size());
    addToPatchSet(set, *feed.patch, inputs);
    ShaderProgram copy;
    content::JsonFiles embedded;
    copy.fromJson(source.toJson(embedded), embedded);
    values::MaybeValue vertexMemo, fragmentMemo, countMemo;
    std::string vertexText, fragmentText;
    if (planPatch(source, copy, &set, vertexMemo, fragmentMemo, countMemo, vertexText, fragmentText) !=
        PatchAction::RecompileWithPatch)
        return;
    {
        OutputCapture quiet;
        copy.recompileWithPatch(vertexText, fragmentText);
    }
    const std::string from = "patch \"" + feed.patch->name + "\"";
    const std::string entry = listPath("shaders", feed.program);
    const MappedSource vertex = followEdits(wholeFile(source.vertexSource, source.vertexFilename), vertexText, from);
    const MappedSource fragment = followEdits(resolveIncludes(source, programList(demo)), fragmentText, from);
    const std::string patchEntry = listPath("patches", feed.patchIndex);
    reportShader(copy.vertexShader, vertex, entry, "the vertex shader of " + source.fragmentFilename, findings,
                 {from, JsonPositions::child(patchEntry, "vertex_patch")});
    reportShader(copy.fragmentShader, fragment, entry, "the fragment shader of " + source.fragmentFilename, findings,
                 {from, JsonPositions::child(patchEntry, "fragment_patch")});
    reportLink(copy, entry, "the program with " + from, findings);
    copy.release();  // in the player's context it would outlive the check
}

// What the loader says about every model, not about a fault.
bool isFact(const std::string& line) {
    for (const char* fact : {"Number of VAOs", "name of animation", "name of skeleton"})
        if (line.rfind(fact, 0) == 0) return true;
    return false;
}

// Each warning the loader prints about a model is one finding at the model's entry.
void checkModels(Demo& demo, ProjectCheck& findings) {
    for (size_t i = 0; i < demo.models.size(); ++i) {
        std::string said;
        {
            OutputCapture capture;
            demo.models[i]->upload();
            said = capture.text();
        }
        const std::string entry = listPath("models", i);
        if (!demo.models[i]->loadError.empty()) {
            findings.add(entry, findings.describe(entry) + ": " + demo.models[i]->loadError);
            continue;  // the empty model's own complaints would only hide the cause
        }
        std::istringstream lines(said);
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && !isFact(line)) findings.add(entry, findings.describe(entry) + ": " + line);
    }
}

// The engine compiles the source as the body of a function whose header takes the first line, so
// its "(line N)" counts one line too many for the author's text.
std::string sourceLines(std::string message) {
    const size_t at = message.rfind("(line ");
    int line = 0;
    if (at == std::string::npos || std::sscanf(message.c_str() + at, "(line %d)", &line) != 1 || line < 2) return message;
    return message.substr(0, at) + "(line " + std::to_string(line - 1) + " of \"source\")";
}

// "result" is shared by every script and never cleared; the outputs' properties are removed
// first, so that what is there afterwards was set by this run.
void forgetOutputs(duk_context* js, const Script& script) {
    duk_get_global_string(js, "result");
    for (const ScriptPort& output : script.outputs) duk_del_prop_string(js, -1, output.name.c_str());
    duk_pop(js);
}

bool outputSet(duk_context* js, const ScriptPort& output) {
    duk_get_global_string(js, "result");
    duk_get_prop_string(js, -1, output.name.c_str());
    const bool set = !duk_is_undefined(js, -1);
    duk_pop_2(js);
    return set;
}

// One run with the inputs' default values, under the player's budget: an output it leaves unset
// keeps whatever an earlier script left in "result", or nothing.
void runOnce(scripting::ScriptEngine& engine, const Script& script, const std::string& entry, ProjectCheck& findings) {
    std::vector<values::MaybeValue> inputs, outputs(script.outputs.size());
    for (const ScriptPort& input : script.inputs) inputs.push_back(input.default_value);
    forgetOutputs(engine.context, script);
    bool ran = false;
    {
        OutputCapture quiet;
        ran = engine.run(script, inputs, outputs);
    }
    const std::string source = JsonPositions::child(entry, "source");
    if (!ran) {
        findings.warn(source, findings.describe(entry) + ": run once with its inputs' default values it fails: " +
                                  sourceLines(engine.last_error));
        return;
    }
    for (size_t k = 0; k < script.outputs.size(); ++k) {
        if (outputSet(engine.context, script.outputs[k])) continue;
        const std::string at = JsonPositions::child(JsonPositions::child(JsonPositions::child(entry, "outputs"), k), "name");
        findings.warn(at, findings.describe(entry) + ": the output \"" + script.outputs[k].name +
                              "\" is never set: run once with its inputs' default values, the script assigns no "
                              "result." + script.outputs[k].name);
    }
}

// A trial run changes what the interpreter's globals hold, which a show playing on must keep: there
// only the compile is checked.
void checkScripts(Demo& demo, ProjectCheck& findings, bool tryRuns) {
    scripting::ScriptEngine& engine = scripting::ScriptEngine::instance();
    for (size_t i = 0; i < demo.scripts.size(); ++i) {
        bool ok = false;
        {
            OutputCapture quiet;
            ok = engine.compile(*demo.scripts[i]);
        }
        const std::string entry = listPath("scripts", i);
        if (!ok) findings.add(JsonPositions::child(entry, "source"), findings.describe(entry) + ": " + sourceLines(engine.last_error));
        else if (tryRuns) runOnce(engine, *demo.scripts[i], entry, findings);
    }
}

}  // namespace

void checkBuiltHere(Demo& demo, ProjectCheck& findings, BuildTimes& times, const BuildReuse& reuse) {
    showPrograms = &demo.shaders;
    {
        Timer t(times.shaders);
        checkPrograms(demo, findings, reuse);
        for (const Feed& feed : patchFeeds(demo)) checkPatch(demo, feed, findings);
    }
    {
        Timer t(times.models);
        checkModels(demo, findings);
        checkSceneLimits(demo, findings);
    }
    {
        Timer t(times.scripts);
        checkScripts(demo, findings, reuse.tryScripts);
    }
}

void checkBuilt(Demo& demo, ProjectCheck& findings, BuildTimes& times) {
    std::string error;
    OffscreenGL gl;
    {
        Timer t(times.context);
        SDL_Init(0);
        gl = openOffscreenGL(error);
    }
    if (!gl.window) throw content::ContentError("cannot compile shaders without a GL context: " + error +
                                                 " (pack --no-check packs without checking)");
    checkBuiltHere(demo, findings, times, {});
    showPrograms = nullptr;
    closeOffscreenGL(gl);
}

}  // namespace checks
