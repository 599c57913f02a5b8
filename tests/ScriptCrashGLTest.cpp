#include <filesystem>

#include <gtest/gtest.h>

#include "player/CrashExit.h"
#include "scripting/ScriptEngine.h"
#include "tests/TestSupport.h"

using scripting::ScriptEngine;

// The interpreter's fatal handler would abort(); the player routes it to its crash exit instead.
TEST(ScriptCrashDeathTest, FatalInterpreterErrorWritesCrashTxtNamingTheScript) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "script_crash_test";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "crash.txt");
    Script script;
    script.name = "wobble";
    EXPECT_EXIT(
        {
            std::filesystem::current_path(dir);
            scripting::setFatalHook(crashExit);
            ScriptEngine& engine = ScriptEngine::instance();
            engine.limits.current = &script;
            duk_fatal(engine.context, "heap corrupted");
        },
        testing::ExitedWithCode(1), "");
    const std::vector<uint8_t> bytes = testing_support::readFile(dir / "crash.txt");
    const std::string crash(bytes.begin(), bytes.end());
    EXPECT_NE(crash.find("Fatal error: Script engine fatal error in script \"wobble\": heap corrupted"), std::string::npos)
        << crash;
}
