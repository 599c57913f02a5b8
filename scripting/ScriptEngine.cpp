#include "scripting/ScriptEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "scripting/Natives.h"
#include "scripting/ScriptValues.h"

namespace scripting {
namespace {

using values::MaybeValue;

void printAndAbort(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
}

FatalHook fatalHook = printAndAbort;

// The engine while it exists: records going away before it is made, or after the end of the
// process took it, have nothing in it to drop.
ScriptEngine* made = nullptr;

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
    demo_script_budget.bytes += size;
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
    demo_script_budget.bytes += size;  // a move copies the block
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
    duk_get_global_literal(ctx, "result");  // the literal cache spares hashing the name
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

bool isIdentifier(const std::string& name) { return demo_script_is_identifier(name.data(), name.size()) != 0; }

ScriptEngine& ScriptEngine::instance() {
    static ScriptEngine engine;
    return engine;
}

void ScriptEngine::startBudget() { demo_script_budget = {0, 0, kStepBudget}; }

ScriptEngine::ScriptEngine() {
    createHeap();
    made = this;
}

ScriptEngine::~ScriptEngine() { made = nullptr; }

void ScriptEngine::forget(const Script& script) {
    if (!made) return;
    made->compiled_.erase(&script);
    made->reported_.erase(&script);
}

void ScriptEngine::createHeap() {
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
    limits.heapRefused = false;
    limits.current = &script;
    startBudget();
}

// Takes the result or the error off the stack, the error into last_error, naming the budget or the
// heap cap when one of them stopped the call, and prints it unless it is the one already printed
// for this script. A refused allocation is looked into even when the script caught the error.
bool ScriptEngine::finish(const Script& script, duk_int_t status, const char* what) {
    const bool overBudget = demo_script_budget_spent();
    limits.current = nullptr;
    const bool ok = status == DUK_EXEC_SUCCESS;
    if (!ok) {
        std::string note;
        if (overBudget)
            note = " (" + std::string(what) + " stopped past its budget of " + std::to_string(kStepBudget) + " steps)";
        else if (limits.heapRefused)
            note = " (" + std::string(what) + " ran out of the " + std::to_string(kHeapLimit >> 20) + " MiB script heap)";
        startBudget();  // a thrown object's toString gets a budget of its own
        duk_size_t length = 0;
        const char* text = duk_safe_to_lstring(context, -1, &length);
        assignCut(last_error, text, length, kErrorTextLimit - note.size());
        last_error += note;
    }
    duk_pop(context);
    if (limits.heapRefused) recoverHeap(script);
    demo_script_budget.limit = 0;
    if (!ok) report(script);
    return ok;
}

// A refused allocation with the heap still full after a collection means live data, most likely
// kept in globals by the script that was refused: the heap is made anew so that the other scripts
// work again, and the script is no longer run once this has happened kRefusalsBeforeDisabling
// times.
void ScriptEngine::recoverHeap(const Script& script) {
    duk_gc(context, 0);
    duk_gc(context, 0);  // the second pass frees what the first one's finalizers let go
    if (limits.heapBytes < kHeapFullAfterCollection) return;
    ++compiled_[&script].refusals;
    rebuild();
}

// Natives and "result" are made again; every global a script kept is lost, and each script's
// function is compiled again before its next run.
void ScriptEngine::rebuild() {
    duk_destroy_heap(context);
    createHeap();
    for (auto& [script, compiled] : compiled_) compiled.defined = false;
}

bool ScriptEngine::refuse(const Script& script, const std::string& reason) {
    last_error = reason;
    report(script);
    return false;
}

void ScriptEngine::report(const Script& script) {
    if (reported_.size() >= kRememberedErrors && !reported_.count(&script)) reported_.clear();
    std::string& printed = reported_[&script];
    if (printed == last_error) return;
    printed = last_error;
    std::fprintf(stderr, "Script \"%s\": %s\n", script.name.c_str(), last_error.c_str());
}

bool ScriptEngine::evaluate(const Script& script, std::string& text) {
    begin(script);
    return finish(script, duk_safe_call(context, evaluateText, &text, 0, 1), "compile");
}

bool ScriptEngine::compile(Script& script) {
    script.compiled = true;
    compiled_[&script] = {};
    if (const char* what = unsafeName(script))
        return refuse(script, std::string("not compiled: the ") + what + " is not a JavaScript identifier");
    text_ = "function " + script.name + "(";
    for (size_t i = 0; i < script.inputs.size(); ++i) text_ += (i ? ", " : "") + script.inputs[i].name;
    text_ += ") {\n" + script.source + "\n}";
    const bool ok = evaluate(script, text_);
    // The heap may have been made anew by this very compile; what failed is not compiled again.
    Compiled& after = compiled_[&script];
    after.defined = ok;
    if (ok) after.text = text_;
    return ok;
}

bool ScriptEngine::run(const Script& script, std::vector<MaybeValue>& inputs, std::vector<MaybeValue>& outputs) {
    auto found = compiled_.find(&script);
    if (found != compiled_.end()) {
        Compiled& compiled = found->second;
        if (compiled.refusals >= kRefusalsBeforeDisabling)
            return refuse(script, "not run: it kept the script heap full " + std::to_string(compiled.refusals) + " times");
        if (!compiled.defined && !compiled.text.empty()) {
            std::string text = compiled.text;
            if (!evaluate(script, text)) return false;
            compiled_[&script].defined = true;
        }
    }
    begin(script);
    const size_t count = std::min(script.outputs.size(), outputs.size());
    if (staged_.size() < count) staged_.resize(count);
    Call call{script, inputs, staged_, count};
    if (!finish(script, duk_safe_call(context, callScript, &call, 0, 1), "run")) return false;
    for (size_t i = 0; i < count; ++i) std::swap(outputs[i], staged_[i]);
    return true;
}

}  // namespace scripting
