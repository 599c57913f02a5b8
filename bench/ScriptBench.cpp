// Cost of scripts: one script node execution (4 float inputs, 2 outputs) against a bare protected
// call of the same function through the interpreter's API, heap growth and allocations across
// 100,000 executions, a native call (mix3) from a script, and what the instruction budget costs:
// bare calls on this engine against bare calls on the interpreter as Debian configures it, with no
// interrupt counter, loaded at run time; and the worst wall time of one call of a script doing
// its work inside built-in functions, each stopped by the work budget.
#include <dlfcn.h>

#include <algorithm>
#include <ctime>
#include <memory>

#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "show/Demo.h"
#include "nodes/Execution.h"
#include "graph/Linking.h"
#include "scripting/ScriptEngine.h"
#include "tests/HostileScripts.h"
#include "checks/OutputCapture.h"

namespace {

using namespace Nodes;
using scripting::ScriptEngine;

constexpr const char* kDrive = "result.x = a * b + c; result.y = d - a;";
constexpr const char* kSpin = "var x = 0; for (var i = 0; i < 1000; ++i) x = x + i * 0.5; result.x = x;";
constexpr int kCalls = 100000;

double wallSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

ScriptPort port(const char* name) {
    ScriptPort p;
    p.type = values::Float;
    p.name = name;
    return p;
}

// One script node of a show, ready to execute outside any graph.
struct ScriptNodeShow {
    Demo demo;
    NodeCatalogue types;
    GraphNode* node = nullptr;
    Graph graph;
    ExecutionContext context;

    ScriptNodeShow(const char* name, const char* source, std::vector<ScriptPort> inputs) {
        auto s = std::make_unique<Script>();
        s->name = name;
        s->source = source;
        s->inputs = std::move(inputs);
        s->outputs = {port("x"), port("y")};
        demo.scripts.push_back(std::move(s));
        linkScripts(demo.scripts, types);
        graph.nodes.push_back(std::make_unique<GraphNode>(types.find(std::string(name) + ".script")));
        node = graph.nodes.back().get();
        for (size_t i = 0; i < node->inputs.size(); ++i) node->inputs[i] = values::Value::ofFloat(float(i) + 0.5f);
        context.demo = &demo;
        context.current = node;
    }
    void execute() { node->def->execute(node->inputs, node->outputValues, node->state, context); }
};

// The interpreter's API as one heap offers it: this engine's, or the one loaded at run time.
struct Api {
    decltype(&::duk_get_global_string) getGlobal = ::duk_get_global_string;
    decltype(&::duk_push_number) pushNumber = ::duk_push_number;
    decltype(&::duk_pcall) pcall = ::duk_pcall;
    decltype(&::duk_pop) pop = ::duk_pop;
};

// Seconds for n bare protected calls of fn with four numbers, optionally also reading "result".x
// and .y as numbers. The budget is restarted before each call as the engine does (on a heap
// without the counter the store is the same, and unused).
double bareCalls(const Api& api, duk_context* ctx, const char* fn, int n, bool readResults = false) {
    const double start = threadSeconds();
    for (int i = 0; i < n; ++i) {
        ScriptEngine::startBudget();
        api.getGlobal(ctx, fn);
        for (int k = 0; k < 4; ++k) api.pushNumber(ctx, k + 0.5);
        api.pcall(ctx, 4);
        api.pop(ctx);
        if (readResults) {
            duk_get_global_string(ctx, "result");
            duk_get_prop_string(ctx, -1, "x");
            duk_get_prop_string(ctx, -2, "y");
            benchmark::DoNotOptimize(duk_get_number(ctx, -1) + duk_get_number(ctx, -2));
            duk_pop_3(ctx);
        }
    }
    return threadSeconds() - start;
}

void BM_ScriptNodeExecution(benchmark::State& state) {
    ScriptNodeShow show("drive", kDrive, {port("a"), port("b"), port("c"), port("d")});
    for (int i = 0; i < 1000; ++i) show.execute();
    double start = threadSeconds();
    for (auto _ : state) show.execute();
    const double nodeSeconds = threadSeconds() - start;
    const double bareSeconds = bareCalls(Api{}, ScriptEngine::instance().context, "drive", int(state.iterations()));
    const double readingSeconds =
        bareCalls(Api{}, ScriptEngine::instance().context, "drive", int(state.iterations()), true);

    ScriptEngine& engine = ScriptEngine::instance();
    const size_t heapBefore = engine.limits.heapBytes;
    const long allocationsBefore = bench::allocationCount();
    for (int i = 0; i < kCalls; ++i) show.execute();
    const double allocations = double(bench::allocationCount() - allocationsBefore);
    state.counters["ns_per_call"] = nodeSeconds / double(state.iterations()) * 1e9;
    state.counters["ratio_to_bare_pcall"] = nodeSeconds / bareSeconds;
    state.counters["ratio_to_bare_pcall_and_reads"] = nodeSeconds / readingSeconds;
    state.counters["heap_growth_bytes_100k"] = double(engine.limits.heapBytes) - double(heapBefore);
    state.counters["allocs_100k"] = allocations;
    if (!engine.last_error.empty()) state.SkipWithError(engine.last_error.c_str());
}
BENCHMARK(BM_ScriptNodeExecution);

// A thousand mix3 calls in a script against the same loop assigning its argument instead.
void BM_NativeMix3(benchmark::State& state) {
    ScriptNodeShow natives("mixing", "var p = [1, 2, 3], q = [4, 5, 6], r;"
                                     "for (var i = 0; i < 1000; ++i) r = mix3(p, q, 0.25); result.x = r[0];", {});
    ScriptNodeShow plain("plain", "var p = [1, 2, 3], q = [4, 5, 6], r;"
                                  "for (var i = 0; i < 1000; ++i) r = p; result.x = r[0];", {});
    double nativeSeconds = 0, plainSeconds = 0;
    for (auto _ : state) {
        double start = threadSeconds();
        natives.execute();
        nativeSeconds += threadSeconds() - start;
        start = threadSeconds();
        plain.execute();
        plainSeconds += threadSeconds() - start;
    }
    state.counters["ns_per_mix3"] = (nativeSeconds - plainSeconds) / (double(state.iterations()) * 1000) * 1e9;
    if (!ScriptEngine::instance().last_error.empty()) state.SkipWithError(ScriptEngine::instance().last_error.c_str());
}
BENCHMARK(BM_NativeMix3);

// The same bare calls, of the four-input function and of a thousand-iteration loop, on a heap of
// the interpreter built without the interrupt counter.
struct Unchecked {
    void* library = dlopen(DUKTAPE_UNCHECKED, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    Api api;
    duk_context* ctx = nullptr;

    template <class F>
    F find(const char* name) { return reinterpret_cast<F>(dlsym(library, name)); }

    Unchecked() {
        if (!library) return;
        api = {find<decltype(api.getGlobal)>("duk_get_global_string"), find<decltype(api.pushNumber)>("duk_push_number"),
               find<decltype(api.pcall)>("duk_pcall"), find<decltype(api.pop)>("duk_pop")};
        ctx = find<decltype(&::duk_create_heap)>("duk_create_heap")(nullptr, nullptr, nullptr, nullptr, nullptr);
        define(ctx, find<decltype(&::duk_eval_raw)>("duk_eval_raw"), find<decltype(&::duk_pop)>("duk_pop"));
    }
    ~Unchecked() {
        if (ctx) find<decltype(&::duk_destroy_heap)>("duk_destroy_heap")(ctx);
        if (library) dlclose(library);
    }
    static void define(duk_context* c, decltype(&::duk_eval_raw) eval, decltype(&::duk_pop) pop) {
        const std::string code = std::string("var result = {};") + "function drive(a, b, c, d) {\n" + kDrive +
                                 "\n}\nfunction spin(a, b, c, d) {\n" + kSpin + "\n}";
        eval(c, code.data(), code.size(), DUK_COMPILE_EVAL | DUK_COMPILE_SAFE | DUK_COMPILE_NOSOURCE | DUK_COMPILE_NOFILENAME);
        pop(c);
    }
};

void BM_InstructionBudgetCost(benchmark::State& state) {
    Unchecked unchecked;
    if (!unchecked.ctx) {
        state.SkipWithError(dlerror());
        return;
    }
    ScriptEngine& engine = ScriptEngine::instance();
    ScriptNodeShow drive("drive", kDrive, {port("a"), port("b"), port("c"), port("d")});
    ScriptNodeShow spin("spin", kSpin, {port("a"), port("b"), port("c"), port("d")});
    drive.execute();
    spin.execute();
    double checked = 0, plain = 0, checkedLoop = 0, plainLoop = 0, node = 0;
    for (auto _ : state) {
        checked += bareCalls(Api{}, engine.context, "drive", 1000);
        plain += bareCalls(unchecked.api, unchecked.ctx, "drive", 1000);
        checkedLoop += bareCalls(Api{}, engine.context, "spin", 10);
        plainLoop += bareCalls(unchecked.api, unchecked.ctx, "spin", 10);
        const double start = threadSeconds();
        for (int i = 0; i < 1000; ++i) drive.execute();
        node += threadSeconds() - start;
    }
    state.counters["call_ratio_checked_to_unchecked"] = checked / plain;
    state.counters["loop_ratio_checked_to_unchecked"] = checkedLoop / plainLoop;
    state.counters["extra_share_of_node_execution"] = (checked - plain) / node;
    if (!engine.last_error.empty()) state.SkipWithError(engine.last_error.c_str());
}
BENCHMARK(BM_InstructionBudgetCost)->Unit(benchmark::kMillisecond);


// Each hostile script's run, compiled beforehand, against the frame it must not hold: the worst
// wall time of one call over the table and its ratio to a 60 Hz frame, and the worst time the
// call's thread spent on the processor (the wall time includes waits on a busy machine).
void BM_HostileScriptWorstCall(benchmark::State& state) {
    ScriptEngine& engine = ScriptEngine::instance();
    std::vector<std::unique_ptr<Script>> scripts;
    for (const char* source : testing_support::kHostileScripts) {
        scripts.push_back(std::make_unique<Script>());
        scripts.back()->name = "hostile" + std::to_string(scripts.size());
        scripts.back()->source = source;
    }
    {
        // Each script's error is printed once, at its first stop; the measured runs repeat it.
        checks::OutputCapture quiet;
        for (auto& script : scripts) {
            std::vector<values::MaybeValue> in, out;
            engine.compile(*script);
            engine.run(*script, in, out);
        }
    }
    double worstWall = 0, worstThread = 0;
    size_t worstIndex = 0;
    bool allStopped = true;
    for (auto _ : state) {
        for (size_t i = 0; i < scripts.size(); ++i) {
            std::vector<values::MaybeValue> in, out;
            const double wall = wallSeconds(), thread = threadSeconds();
            allStopped = !engine.run(*scripts[i], in, out) && allStopped;
            worstThread = std::max(worstThread, threadSeconds() - thread);
            if (wallSeconds() - wall > worstWall) {
                worstWall = wallSeconds() - wall;
                worstIndex = i;
            }
        }
    }
    state.counters["worst_wall_ms_per_call"] = worstWall * 1e3;
    state.counters["worst_thread_ms_per_call"] = worstThread * 1e3;
    state.counters["worst_script_index"] = double(worstIndex);
    state.counters["worst_to_60hz_frame"] = worstWall / (1.0 / 60.0);
    if (!allStopped) state.SkipWithError("a hostile script finished within its budget");
}
BENCHMARK(BM_HostileScriptWorstCall)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
