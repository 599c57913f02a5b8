// The one JavaScript interpreter of the process: compiles each script into a global function,
// runs it with a node's input values and reads its outputs from the global object "result".
// Every compile and run is bounded in instructions and the heap in bytes, so a show's scripts
// cannot freeze or exhaust the machine.
#pragma once
#include <duktape.h>

#include <map>
#include <string>
#include <vector>

#include "content/Value.h"
#include "scripting/Script.h"

namespace scripting {

// The interpreter calls the budget check as each call from C++ begins and then once every this
// many executed instructions (a constant of the interpreter).
constexpr long kInstructionsPerCheck = 256L * 1024L;
// A compile or run is stopped at its second check, after 262144 instructions: plain bytecode runs
// them in under a millisecond here, a loop of native calls in about ten. Counting instructions
// rather than time keeps a recorded show the same on a busy machine.
constexpr long kChecksPerCall = 2;
constexpr long kInstructionBudget = (kChecksPerCall - 1) * kInstructionsPerCheck;
// Bytes the interpreter's heap may hold; allocations past it fail inside the script.
constexpr size_t kHeapLimit = size_t(256) << 20;

// Called with a message when the interpreter hits an error it cannot recover from; must not
// return. The player sets its crash exit here; the default prints and aborts.
using FatalHook = void (*)(const std::string& message);
void setFatalHook(FatalHook hook);

class ScriptEngine {
public:
    // The engine, created on first use.
    static ScriptEngine& instance();

    std::string last_error;
    duk_context* context = nullptr;

    // Defines or redefines the script's global function; sets script.compiled.
    bool compile(Script& script);
    // Calls the script's global function with the inputs (undefined where empty) and fills the
    // outputs from "result". A failed call leaves every output as it was.
    bool run(const Script& script, std::vector<values::MaybeValue>& inputs,
             std::vector<values::MaybeValue>& outputs);

    // Budget bookkeeping the interpreter's timeout check reads.
    struct Limits {
        long checks = 0;
        size_t heapBytes = 0;
        bool heapRefused = false;  // an allocation failed for the cap during this call
        const Script* current = nullptr;
    } limits;

    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

private:
    ScriptEngine();
    void begin(const Script& script);
    bool finish(const Script& script, duk_int_t status, const char* what);
    void report(const Script& script);

    std::string text_;                       // the compile text, kept to reuse its storage
    std::vector<values::MaybeValue> staged_;  // outputs read before any is committed
    std::map<const Script*, std::string> reported_;  // the last error printed per script
};

}  // namespace scripting
