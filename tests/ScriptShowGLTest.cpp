#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "content/BinaryWriter.h"
#include "show/Demo.h"
#include "graph/Linking.h"
#include "tests/ExecutionSupport.h"
#include "tests/TestSupport.h"

namespace {

using testing_support::readText;

}  // namespace

// A show whose root graph runs a script looping forever, one looping at compile time and one
// allocating without end still plays to its end beat; each failure is reported once.
TEST(ScriptShowGLTest, RunawayScriptsLeaveThePlayerRendering) {
    Demo demo;
    demo.bpm = 600.0f;
    demo.endBeat = 6.0f;
    const char* sources[][2] = {{"spin", "for (;;) {}"},
                                {"early", "} for (;;) {} function unused() {"},
                                {"bomb", "var s = 'xy'; for (;;) s = s + s;"}};
    for (auto [name, source] : sources) {
        demo.scripts.push_back(std::make_unique<Script>());
        demo.scripts.back()->name = name;
        demo.scripts.back()->source = source;
    }
    Nodes::NodeCatalogue types;
    Nodes::linkScripts(demo.scripts, types);
    auto graph = std::make_unique<Nodes::Graph>();
    Nodes::GraphNode* previous = nullptr;
    for (auto [name, source] : sources) {
        Nodes::GraphNode& node = testing_support::addNode(*graph, types.find(std::string(name) + ".script"));
        if (previous) testing_support::activate(*previous, node);
        previous = &node;
    }
    graph->root = graph->nodes.front().get();
    demo.graphs.push_back(std::move(graph));
    content::BinaryWriter out;
    demo.writeBinary(out);

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "script-show";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "crash.txt");
    testing_support::writeFile(dir / "content.dat", out.bytes());
    const std::string command = "cd '" + dir.string() + "' && SDL_AUDIODRIVER=dummy '" + testing_support::toolPath("demoplayer") +
                                "' > player.log 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = readText(dir / "player.log");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
    EXPECT_FALSE(std::filesystem::exists(dir / "crash.txt"));
    for (const char* expected : {"Script \"spin\": RangeError: execution timeout (run stopped",
                                 "Script \"early\": RangeError: execution timeout (compile stopped",
                                 "Script \"bomb\": RangeError: execution timeout (run stopped"}) {
        const size_t at = log.find(expected);
        EXPECT_NE(at, std::string::npos) << expected << "\n" << log;
        EXPECT_EQ(log.find(expected, at + 1), std::string::npos) << "printed again: " << expected;
    }
}
