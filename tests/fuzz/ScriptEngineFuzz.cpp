// libFuzzer entry: any byte string, as a script's name (up to the first line break) and source,
// must compile or be refused and run within the work budget and the heap cap, natives included,
// without harm to the engine. Two runs let a script see what its first run left behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scripting/ScriptEngine.h"

namespace {

ScriptPort port(int32_t type, const char* name) {
    ScriptPort p;
    p.type = type;
    p.name = name;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = text.find('\n');
    Script script;
    script.name = lineEnd == std::string::npos ? "fuzzed" : text.substr(0, lineEnd);
    script.source = lineEnd == std::string::npos ? text : text.substr(lineEnd + 1);
    script.inputs = {port(values::Float, "beat"), port(values::Vec3, "colour"), port(values::String, "label")};
    script.outputs = {port(values::Float, "speed"), port(values::Vec3, "colour"), port(values::Int, "count"),
                      port(values::String, "label"), port(values::Mat4, "matrix"), port(values::Reference, "ref")};

    scripting::ScriptEngine& engine = scripting::ScriptEngine::instance();
    const float colour[] = {0.25f, 0.5f, 1.0f};
    std::vector<values::MaybeValue> inputs = {values::Value::ofFloat(1.5f), values::Value::ofFloats(values::Vec3, colour, 3),
                                              values::Value::ofString("text")};
    std::vector<values::MaybeValue> outputs(script.outputs.size());
    if (engine.compile(script))
        for (int i = 0; i < 2; ++i) engine.run(script, inputs, outputs);
    return 0;
}
