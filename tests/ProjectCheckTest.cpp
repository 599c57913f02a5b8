// demopack check and pack as a user runs them, on small projects with one mistake each: the exit
// status, and the message's file, line, column and wording.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/TestSupport.h"

namespace {

using testing_support::ScratchDir;

struct ToolRun {
    int status;
    std::string errors;
};

ToolRun runTool(const ScratchDir& dir, const std::string& arguments) {
    const std::string tool = testing_support::toolPath("demopack");
    const std::string command =
        "cd '" + dir.path().string() + "' && '" + tool + "' " + arguments + " > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    std::ifstream in(dir.path() / "err.txt");
    std::stringstream errors;
    errors << in.rdbuf();
    return {WEXITSTATUS(status), errors.str()};
}

struct Mistake {
    const char* what;
    const char* project;
    const char* expected;  // one line of the report
};

// Every project but the first is valid JSON with embedded (empty) music, so only its mistake counts.
const Mistake kMistakes[] = {
    {"missing comma", "{\n  \"bpm\": 120.0\n  \"end_beat\": 8.0\n}",
     "project.json:3:3: syntax error while parsing object - unexpected string literal; expected '}'"},
    {"misspelt key", "{\"music\": \"\", \"end_beat\": 8.0,\n \"bmp\": 120.0, \"bpm\": 120.0}",
     "project.json:2:2: unknown key \"bmp\"; did you mean \"bpm\"?"},
    {"integer where a float is read", "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120}",
     "project.json:1:39: \"bpm\" is the integer 120, which reads as 0.0 where a float is read: write 120.0"},
    {"string where a number is read",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0,\n"
     " \"events\": [{\"type\": 4, \"name\": \"fade\", \"start_beat\": \"20\", \"end_beat\": 24.0}]}",
     "project.json:2:55: events[0] \"fade\": \"start_beat\" must be a float, not a string: write 20.0 without quotes"},
    {"event naming a missing effect",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0, \"effects\": [{\"name\": \"pulse\"}],\n"
     " \"events\": [{\"type\": 1, \"name\": \"e\", \"start_beat\": 0.0, \"end_beat\": 4.0, \"effect\": \"plse\"}]}",
     "project.json:2:84: events[0] \"e\": \"effect\" names no effect: \"plse\"; did you mean \"pulse\"?"},
    {"effect naming a missing program",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0,\n \"effects\": [{\"name\": \"pulse\", \"program\": \"a.frag\"}]}",
     "project.json:2:43: effects[0] \"pulse\": \"program\" names no shader program: \"a.frag\" (the project lists "
     "none under \"shaders\")"},
    {"key the event's type does not read",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0,\n \"events\": [{\"type\": 2, \"start_beat\": 1.0}]}",
     "project.json:2:25: events[0]: \"start_beat\" is not read for an event of type 2"},
    {"track mode out of range",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0, \"events\": [{\"type\": 1, \"start_beat\": 0.0,\n"
     " \"end_beat\": 1.0, \"control_points\": {\"alpha\": {\"mode\": 3}}}]}",
     "project.json:2:56: events[0].control_points.alpha: \"mode\" is 3; track modes are 0 (step), 1 (linear) and 2 (smooth)"},
    {"tempo that is not positive", "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": -120.0}",
     "project.json:1:39: \"bpm\" is -120.0: the tempo must be a positive number of beats per minute"},
    {"music file missing", "{\"end_beat\": 8.0, \"bpm\": 120.0}",
     "project.json:1:1: no \"music\" in the project and no file resources/music.mp3 beside it"},
    {"node of an unknown type",
     "{\"music\": \"\", \"end_beat\": 8.0, \"bpm\": 120.0,\n \"graph\": {\"root\": 1, \"nodes\": [{\"id\": 1, \"def\": \"Tme\"}]}}",
     "project.json:2:50: graph.nodes[0]: \"def\" names no node type: \"Tme\"; did you mean \"Time\"?"},
};

TEST(ProjectCheckTest, EachMistakeIsReportedWhereItIsAndNothingIsWritten) {
    for (const Mistake& m : kMistakes) {
        SCOPED_TRACE(m.what);
        ScratchDir dir("project-check");
        testing_support::writeFile(dir.path() / "project.json", std::string(m.project));
        const ToolRun check = runTool(dir, "check project.json");
        EXPECT_EQ(check.status, 1);
        EXPECT_NE(check.errors.find(m.expected), std::string::npos) << check.errors;
        const ToolRun pack = runTool(dir, "pack project.json -o out.dat");
        EXPECT_EQ(pack.status, 1);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.dat"));
    }
}

TEST(ProjectCheckTest, UsageErrorsTakeOneLineAndExitOne) {
    ScratchDir dir("project-check-usage");
    for (const char* arguments : {"", "check", "frobnicate x.json", "pack project.json", "check a.json --bogus"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = runTool(dir, arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors.rfind("demopack: ", 0), 0u) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    }
    EXPECT_EQ(runTool(dir, "--help").status, 0);
    EXPECT_EQ(runTool(dir, "check --help").status, 0);
}

}  // namespace
