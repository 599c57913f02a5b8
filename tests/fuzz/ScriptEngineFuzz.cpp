// libFuzzer entry: any byte string, as a script's name (up to the first line break) and source,
// must compile or be refused and run within the work budget and the heap cap, natives included,
// without harm to the engine. Two runs let a script see what its first run left behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scripting/ScriptEngine.h"
#include "tests/ScriptPorts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = text.find('\n');
    Script script;
    script.name = lineEnd == std::string::npos ? "fuzzed" : text.substr(0, lineEnd);
    script.source = lineEnd == std::string::npos ? text : text.substr(lineEnd + 1);
    script.inputs = {makePort(values::Float, "beat"), makePort(values::Vec3, "colour"),
                     makePort(values::String, "label")};
    script.outputs = {makePort(values::Float, "speed"),  makePort(values::Vec3, "colour"),
                      makePort(values::Int, "count"),    makePort(values::String, "label"),
                      makePort(values::Mat4, "matrix"), makePort(values::Reference, "ref")};

    scripting::ScriptEngine& engine = scripting::ScriptEngine::instance();
    const float colour[] = {0.25f, 0.5f, 1.0f};
    std::vector<values::MaybeValue> inputs = {values::Value::ofFloat(1.5f), values::Value::ofFloats(values::Vec3, colour, 3),
                                              values::Value::ofString("text")};
    std::vector<values::MaybeValue> outputs(script.outputs.size());
    if (engine.compile(script))
        for (int i = 0; i < 2; ++i) engine.run(script, inputs, outputs);
    return 0;
}
