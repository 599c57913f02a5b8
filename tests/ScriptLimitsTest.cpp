#include <gtest/gtest.h>

#include "scripting/ScriptEngine.h"
#include "scripting/ScriptValues.h"
#include "tests/ExecutionSupport.h"
#include "tests/HostileScripts.h"
#include "tests/ScriptPorts.h"

using scripting::ScriptEngine;
using testing_support::number;
using values::Value;
using ValueList = std::vector<values::MaybeValue>;

namespace {

// Scripts owned here and run straight through the engine.
struct Scripts {
    std::vector<std::unique_ptr<Script>> owned;
    ScriptEngine& engine = ScriptEngine::instance();

    Script& add(const std::string& name, const std::string& source, std::vector<ScriptPort> inputs = {},
                std::vector<ScriptPort> outputs = {}) {
        owned.push_back(std::make_unique<Script>());
        Script& s = *owned.back();
        s.name = name;
        s.source = source;
        s.inputs = std::move(inputs);
        s.outputs = std::move(outputs);
        return s;
    }
    bool run(const Script& s, ValueList in = {}) {
        ValueList out(s.outputs.size());
        return engine.run(s, in, out);
    }
    ValueList outputs(const Script& s, ValueList in = {}) {
        ValueList out(s.outputs.size());
        EXPECT_TRUE(engine.run(s, in, out)) << engine.last_error;
        return out;
    }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// Work done inside built-in functions counts against the same budget as instructions; catching
// the error does not help.
TEST(ScriptLimits, WorkInsideBuiltInsIsStoppedByTheBudget) {
    Scripts scripts;
    for (const char* source : testing_support::kHostileScripts) {
        Script& s = scripts.add("hostile", source);
        ASSERT_TRUE(scripts.engine.compile(s)) << scripts.engine.last_error;
        EXPECT_FALSE(scripts.run(s));
        EXPECT_TRUE(contains(scripts.engine.last_error, "stopped past its budget")) << source << ": "
                                                                                      << scripts.engine.last_error;
    }
}

// A script that fills the heap and keeps what it made in a global, catching the refusal, gets the
// heap made anew: the others work again at once, each with its function compiled again; after
// repeated refusals it is no longer run, which is said once.
TEST(ScriptLimits, AScriptKeepingTheHeapFullDoesNotStarveTheOthers) {
    Scripts scripts;
    Script& healthy =
        scripts.add("healthy", "result.ok = x + 1;", {makePort(values::Float, "x")}, {makePort(values::Float, "ok")});
    Script& hog = scripts.add("hog", "if (!this.kept) kept = []; try { kept.push(new Uint8Array(3 << 20)); } catch (e) {}");
    ASSERT_TRUE(scripts.engine.compile(healthy));
    ASSERT_TRUE(scripts.engine.compile(hog));
    testing::internal::CaptureStderr();
    int runs = 0;
    while (runs < 2000 && scripts.run(hog)) {
        ++runs;
        ASSERT_EQ(scripts.outputs(healthy, {number(runs)}), ValueList{number(runs + 1.0f)}) << runs;
    }
    EXPECT_FALSE(scripts.run(hog));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "Script \"hog\": not run: it kept the script heap full 3 times\n");
    Script& fresh = scripts.add("fresh", "result.ok = 5;", {}, {makePort(values::Float, "ok")});
    EXPECT_TRUE(scripts.engine.compile(fresh)) << scripts.engine.last_error;
    EXPECT_LT(scripts.engine.limits.heapBytes, scripting::kHeapFullAfterCollection);
}

// The heap count follows blocks the engine moves as they grow: an array grown over many calls and
// written out as JSON each time (its text is built in such a block) never comes near the cap.
TEST(ScriptLimits, GrowingAnArrayOverManyCallsStaysFarFromTheCap) {
    Scripts scripts;
    Script& grow = scripts.add("grow", "if (!this.list || list.length >= 15000) list = [];"
                                       "for (var i = 0; i < 500; ++i) list.push(i * 1000);"
                                       "result.text = JSON.stringify(list);");
    ASSERT_TRUE(scripts.engine.compile(grow));
    const size_t before = scripts.engine.limits.heapBytes;
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(scripts.run(grow)) << i << ": " << scripts.engine.last_error;
    EXPECT_LT(scripts.engine.limits.heapBytes, before + (size_t(16) << 20));
}

// Error texts are cut to 4 KiB before they are kept or printed; string outputs to 64 KiB, at a
// character boundary.
TEST(ScriptLimits, ErrorTextsAndStringOutputsAreBounded) {
    Scripts scripts;
    Script& thrower = scripts.add("thrower", "throw 'e'.repeat(1 << 20);");
    ASSERT_TRUE(scripts.engine.compile(thrower));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(scripts.run(thrower));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_LE(scripts.engine.last_error.size(), scripting::kErrorTextLimit);
    EXPECT_TRUE(contains(scripts.engine.last_error, "eeee [cut]")) << scripts.engine.last_error.substr(0, 40);
    EXPECT_LE(printed.size(), scripting::kErrorTextLimit + 64);

    Script& texts = scripts.add("texts", "result.whole = 'a'.repeat(60000); result.long = '\\u00e9'.repeat(40000);", {},
                                {makePort(values::String, "whole"), makePort(values::String, "long")});
    ASSERT_TRUE(scripts.engine.compile(texts));
    const ValueList out = scripts.outputs(texts);
    ASSERT_TRUE(out[0].hasValue && out[1].hasValue);
    EXPECT_EQ(out[0].value.text, std::string(60000, 'a'));
    const std::string& cut = out[1].value.text;
    EXPECT_LE(cut.size(), scripting::kStringOutputLimit);
    EXPECT_GT(cut.size(), scripting::kStringOutputLimit - 16);
    ASSERT_TRUE(contains(cut, " [cut]"));
    EXPECT_EQ(cut.substr(cut.size() - 8), "\xc3\xa9 [cut]");  // whole characters only
}

// Names go into generated code: exactly the engine's identifiers pass, in any script, and the
// characters the language takes as spaces or line ends do not.
TEST(ScriptLimits, NamesAreTheEnginesIdentifiers) {
    for (const char* name : {"caf\xc3\xa9", "\xce\xb1", "_x$1", "\xc7\x85x", "a\xe2\x80\x8c", "let2"})
        EXPECT_TRUE(scripting::isIdentifier(name)) << name;
    for (const char* name : {"", "1a", "a b", "a\xc2\xa0" "b", "\xef\xbb\xbf" "a", "a\xe2\x80\xa8", "a\xe2\x80\xa9",
                             "a\\u0062", "var", "let", "null", "\xc3", "\xc0\xa1", "\xed\xa0\x80", "a-b"})
        EXPECT_FALSE(scripting::isIdentifier(name)) << name;

    Scripts scripts;
    Script& s = scripts.add("caf\xc3\xa9", "result.v = \xce\xb1 * 2;", {makePort(values::Float, "\xce\xb1")},
                            {makePort(values::Float, "v")});
    ASSERT_TRUE(scripts.engine.compile(s)) << scripts.engine.last_error;
    EXPECT_EQ(scripts.outputs(s, {number(2)}), ValueList{number(4)});
}
