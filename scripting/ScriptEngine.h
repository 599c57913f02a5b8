// The one JavaScript interpreter of the process: compiles each script into a global function,
// runs it with a node's input values and reads its outputs from the global object "result".
// Every compile and run is bounded in work and the heap in bytes, so a show's scripts cannot
// freeze or exhaust the machine.
#pragma once
#include <duktape.h>

#include <map>
#include <string>
#include <vector>

#include "content/Value.h"
#include "scripting/Script.h"

namespace scripting {

// Work one compile or run may do, in steps: an instruction, a property read or write (which the
// array, string and JSON built-ins loop over), a regular expression step, or 32 bytes the engine
// allocates, copies or compares. Any mix of them stays within about 20 ms here. Counting work
// rather than time keeps a recorded show the same on a busy machine.
constexpr unsigned long kStepBudget = 256UL * 1024UL;
// Bytes the interpreter's heap may hold; allocations past it fail inside the script.
constexpr size_t kHeapLimit = size_t(256) << 20;
// A heap still holding this much after a refused allocation and a full collection is kept full by
// some script's globals: it is made anew (see ScriptEngine::rebuild).
constexpr size_t kHeapFullAfterCollection = kHeapLimit / 2;
// Times a script's allocation may be refused with the heap kept full before the script is no
// longer run.
constexpr int kRefusalsBeforeDisabling = 3;
// Error texts are cut to this many bytes before they are kept or printed.
constexpr size_t kErrorTextLimit = 4096;
// Distinct scripts whose last printed error is remembered, so that it is printed once.
constexpr size_t kRememberedErrors = 256;

// Called with a message when the interpreter hits an error it cannot recover from; must not
// return. The player sets its crash exit here; the default prints and aborts.
using FatalHook = void (*)(const std::string& message);
void setFatalHook(FatalHook hook);

// Whether the name may be pasted into generated code as an identifier: exactly the engine's own
// identifiers (Unicode ID_Start then ID_Continue, no escapes), reserved words excluded.
bool isIdentifier(const std::string& name);

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

    // Gives the next calls into the interpreter a fresh work budget. compile and run do this
    // themselves; code calling the interpreter directly (tests) uses it.
    static void startBudget();

    // Heap bookkeeping the allocator keeps.
    struct Limits {
        size_t heapBytes = 0;
        bool heapRefused = false;  // an allocation failed for the cap during this call
        const Script* current = nullptr;
    } limits;

    // Drops what the engine keeps for a script record that goes away, so that a record later made
    // at the same address starts clean. Called by the record itself.
    static void forget(const Script& script);
    // How many scripts the engine keeps compile results for.
    size_t scriptsKept() const { return compiled_.size(); }

    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

private:
    ScriptEngine();
    void createHeap();
    bool evaluate(const Script& script, std::string& text);
    void begin(const Script& script);
    bool finish(const Script& script, duk_int_t status, const char* what);
    void recoverHeap(const Script& script);
    void rebuild();
    bool refuse(const Script& script, const std::string& reason);  // fails without calling in
    void report(const Script& script);

    std::string text_;                       // the compile text, kept to reuse its storage
    std::vector<values::MaybeValue> staged_;  // outputs read before any is committed
    std::map<const Script*, std::string> reported_;  // the last error printed per script
    // What each script last compiled to, and whether this heap has it: a rebuilt heap compiles
    // again before a run.
    struct Compiled {
        std::string text;
        bool defined = false;
        int refusals = 0;
    };
    std::map<const Script*, Compiled> compiled_;
};

}  // namespace scripting
