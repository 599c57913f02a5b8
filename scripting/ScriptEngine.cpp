#include "scripting/ScriptEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "scripting/Natives.h"
#include "scripting/ScriptValues.h"

using scripting::ScriptEngine;

// The interpreter's execution-timeout check, wired in by the engine's build configuration. It
// keeps answering true once the budget is spent, until the next call starts a new one, so the
// error it raises runs past every catch in the script.
extern "C" int demo_script_timeout_check(void* udata) {
    auto* limits = static_cast<ScriptEngine::Limits*>(udata);
    return ++limits->checks >= scripting::kChecksPerCall;
}

namespace scripting {
namespace {

using values::MaybeValue;

void printAndAbort(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
}

FatalHook fatalHook = printAndAbort;

// ---- the capped allocator: each block carries its size in front, keeping malloc's alignment ----

constexpr size_t kHeader = 16;

ScriptEngine::Limits& limitsOf(void* udata) { return *static_cast<ScriptEngine::Limits*>(udata); }
size_t& sizeOf(void* block) { return *static_cast<size_t*>(block); }

bool fits(ScriptEngine::Limits& limits, size_t more) {
    if (more <= kHeapLimit - limits.heapBytes) return true;
    limits.heapRefused = true;
    return false;
}

void* allocate(void* udata, duk_size_t size) {
    ScriptEngine::Limits& limits = limitsOf(udata);
    if (!fits(limits, size)) return nullptr;
    void* block = std::malloc(size + kHeader);
    if (!block) return nullptr;
    sizeOf(block) = size;
    limits.heapBytes += size;
    return static_cast<char*>(block) + kHeader;
}

void release(void* udata, void* ptr) {
    if (!ptr) return;
    void* block = static_cast<char*>(ptr) - kHeader;
    limitsOf(udata).heapBytes -= sizeOf(block);
    std::free(block);
}

void* reallocate(void* udata, void* ptr, duk_size_t size) {
    if (!ptr) return allocate(udata, size);
    if (size == 0) {
        release(udata, ptr);
        return nullptr;
    }
    ScriptEngine::Limits& limits = limitsOf(udata);
    void* block = static_cast<char*>(ptr) - kHeader;
    const size_t old = sizeOf(block);
    if (size > old && !fits(limits, size - old)) return nullptr;
    void* moved = std::realloc(block, size + kHeader);
    if (!moved) return nullptr;
    sizeOf(moved) = size;
    limits.heapBytes = limits.heapBytes - old + size;
    return static_cast<char*>(moved) + kHeader;
}

void onFatal(void* udata, const char* message) {
    const Script* script = limitsOf(udata).current;
    std::string text = "Script engine fatal error";
    if (script) text += " in script \"" + script->name + "\"";
    text += std::string(": ") + (message ? message : "unknown");
    fatalHook(text);
    std::abort();  // the hook must not return; if it does, stop here rather than in the interpreter
}

// ---- what runs inside the protected calls ----

bool isIdentifier(const std::string& name) {
    auto start = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$'; };
    if (name.empty() || !start(name[0])) return false;
    for (char c : name)
        if (!start(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

// The reason a script may not be compiled, or null: names are pasted into the function head, so
// anything but an identifier could place code around it.
const char* unsafeName(const Script& script) {
    if (!isIdentifier(script.name)) return "script name";
    for (const ScriptPort& input : script.inputs)
        if (!isIdentifier(input.name)) return "input name";
    return nullptr;
}

duk_ret_t evaluateText(duk_context* ctx, void* udata) {
    const std::string& text = *static_cast<const std::string*>(udata);
    duk_eval_lstring(ctx, text.data(), text.size());
    return 1;
}

struct Call {
    const Script& script;
    std::vector<MaybeValue>& inputs;
    std::vector<MaybeValue>& staged;
    size_t outputCount;  // outputs both declared by the script and present on the node
};

void readOutputs(duk_context* ctx, const Call& call) {
    duk_get_global_string(ctx, "result");
    for (size_t i = 0; i < call.outputCount; ++i) {
        const ScriptPort& port = call.script.outputs[i];
        duk_get_prop_lstring(ctx, -1, port.name.data(), port.name.size());
        MaybeValue& slot = call.staged[i];
        slot.hasValue = !duk_is_null_or_undefined(ctx, -1) && port.type >= 0 && port.type <= values::Reference &&
                        hasOutputForm(ctx, -1, port.type);
        if (slot.hasValue) readValue(ctx, -1, port.type, slot.value);
        duk_pop(ctx);
    }
    duk_pop(ctx);
}

duk_ret_t callScript(duk_context* ctx, void* udata) {
    const Call& call = *static_cast<const Call*>(udata);
    const duk_idx_t argc = duk_idx_t(call.inputs.size());
    duk_require_stack(ctx, argc + 1);
    duk_get_global_lstring(ctx, call.script.name.data(), call.script.name.size());
    for (const MaybeValue& input : call.inputs) {
        if (input.hasValue)
            pushValue(ctx, input.value);
        else
            duk_push_undefined(ctx);
    }
    duk_call(ctx, argc);
    duk_pop(ctx);
    readOutputs(ctx, call);
    return 0;
}

}  // namespace

void setFatalHook(FatalHook hook) { fatalHook = hook ? hook : printAndAbort; }

ScriptEngine& ScriptEngine::instance() {
    static ScriptEngine engine;
    return engine;
}

ScriptEngine::ScriptEngine() {
    context = duk_create_heap(allocate, reallocate, release, &limits, onFatal);
    if (!context) {
        fatalHook("Script engine: the interpreter heap could not be created");
        std::abort();
    }
    registerNatives(context);
    duk_push_object(context);
    duk_put_global_string(context, "result");
}

void ScriptEngine::begin(const Script& script) {
    last_error.clear();
    limits.checks = 0;
    limits.heapRefused = false;
    limits.current = &script;
}

// Takes the error off the stack into last_error, naming the budget when it was the budget that
// stopped the call, and prints it unless it is the one already printed for this script.
bool ScriptEngine::finish(const Script& script, duk_int_t status, const char* what) {
    limits.current = nullptr;
    if (status == DUK_EXEC_SUCCESS) {
        duk_pop(context);
        return true;
    }
    last_error = duk_safe_to_string(context, -1);
    duk_pop(context);
    if (limits.checks >= kChecksPerCall)
        last_error += " (" + std::string(what) + " stopped past " +
                      std::to_string(kInstructionBudget) + " instructions)";
    else if (limits.heapRefused)
        last_error += " (" + std::string(what) + " ran out of the " + std::to_string(kHeapLimit >> 20) +
                      " MiB script heap)";
    report(script);
    return false;
}

void ScriptEngine::report(const Script& script) {
    std::string& printed = reported_[&script];
    if (printed == last_error) return;
    printed = last_error;
    std::fprintf(stderr, "Script \"%s\": %s\n", script.name.c_str(), last_error.c_str());
}

bool ScriptEngine::compile(Script& script) {
    begin(script);
    script.compiled = true;
    if (const char* what = unsafeName(script)) {
        last_error = std::string("not compiled: the ") + what + " is not a JavaScript identifier";
        limits.current = nullptr;
        report(script);
        return false;
    }
    text_ = "function " + script.name + "(";
    for (size_t i = 0; i < script.inputs.size(); ++i) text_ += (i ? ", " : "") + script.inputs[i].name;
    text_ += ") {\n" + script.source + "\n}";
    return finish(script, duk_safe_call(context, evaluateText, &text_, 0, 1), "compile");
}

bool ScriptEngine::run(const Script& script, std::vector<MaybeValue>& inputs, std::vector<MaybeValue>& outputs) {
    begin(script);
    const size_t count = std::min(script.outputs.size(), outputs.size());
    if (staged_.size() < count) staged_.resize(count);
    Call call{script, inputs, staged_, count};
    if (!finish(script, duk_safe_call(context, callScript, &call, 0, 1), "run")) return false;
    for (size_t i = 0; i < count; ++i) std::swap(outputs[i], staged_[i]);
    return true;
}

}  // namespace scripting
