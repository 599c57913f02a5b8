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
    {"music given as a file name", "{\"music\": \"song.ogg\", \"end_beat\": 8.0, \"bpm\": 120.0}",
     "project.json:1:11: \"music\" is \"song.ogg\": it holds the music itself as base64, never a file name"},
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

// Mistakes the show still plays with: each is a warning at its place, check exits 0 and pack
// writes the block.
TEST(ProjectCheckTest, SilentMistakesAreWarnedAboutAndStillPack) {
    ScratchDir dir("project-check-warnings");
    testing_support::writeFile(dir.path() / "project.json", std::string(R"({"music": "", "bpm": 120.0, "end_beat": 16.0,
 "shaders": [{"vertex_shader_filename": "v.vert", "fragment_shader_filename": "twist.frag",
   "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n",
   "fragment_shader_source": "#version 150\nuniform float twist;\nout vec4 c;\nvoid main() { c = vec4(twist); }\n",
   "uniform_defs": [{"name": "twist"}, {"name": "gone"}]}],
 "effects": [{"name": "fx", "program": "twist.frag"}],
 "events": [{"name": "a", "effect": "fx", "start_beat": 0.0, "end_beat": 8.0, "control_points": {
     "twsit": {"control_points": [{"beat": 0.0, "value": 1.0}]},
     "twist": {"mode": 1, "repeat": true, "control_points": [{"beat": 0.0, "value": 0.0}, {"beat": 4.0, "value": 1.0}]}}},
   {"name": "b", "effect": "fx", "start_beat": 6.0, "end_beat": 2.0},
   {"name": "c", "effect": "fx", "start_beat": 20.0, "end_beat": 24.0},
   {"name": "d", "effect": "fx", "start_beat": -4.0, "end_beat": -1.0, "control_points": {
     "twist": {"control_points": [{"beat": 2.0, "value": 0.0}, {"beat": 1.0, "value": 1.0}]}}}],
 "fonts": [{"name": "f", "filename": "f.ttf", "font_buffer": "", "ptsize": 0}],
 "font_textures": [{"name": "t", "font": "f"}],
 "scenes": [{"name": "s"}],
 "scripts": [{"name": "sc", "source": "if (false) result.speed = 1;", "outputs": [{"type": 2, "name": "speed"}]}]})"));
    const ToolRun check = runTool(dir, "check project.json");
    EXPECT_EQ(check.status, 0) << check.errors;
    for (const char* expected : {
             "project.json:5:49: warning: shaders[0] \"twist.frag\": the uniform def \"gone\" is no uniform the program uses",
             "project.json:8:6: warning: events[0] \"a\": nothing reads the track \"twsit\": an effect event reads the "
             "tracks named like its program's uniform defs",
             "; did you mean \"twist\"?",
             "project.json:9:37: warning: events[0] \"a\", control_points.twist: \"repeat\" does not loop: after its last "
             "point (beat 4)",
             "and at beat 4.00781 it leaves the range of its points' values (0 ... 1)",
             "project.json:10:65: warning: events[1] \"b\": its span is empty",
             "project.json:11:48: warning: events[2] \"c\": it starts at beat 20, after the show's \"end_beat\" 16",
             "project.json:12:66: warning: events[3] \"d\": it ends at beat -1, before the show starts at beat 0",
             "project.json:13:73: warning: events[3] \"d\", control_points.twist: control point 1 (beat 1) comes before point 0",
             "project.json:14:76: warning: fonts[0] \"f\": \"ptsize\" is 0",
             "project.json:15:20: warning: font_textures[0] \"t\": it has no size",
             "project.json:16:13: warning: scenes[0] \"s\": it has no camera, so it draws nothing",
             "project.json:17:103: warning: scripts[0] \"sc\": the output \"speed\" is never set",
             "0 errors, 11 warnings"})
        EXPECT_NE(check.errors.find(expected), std::string::npos) << expected << "\n" << check.errors;
    const ToolRun pack = runTool(dir, "pack project.json -o out.dat");
    EXPECT_EQ(pack.status, 0) << pack.errors;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out.dat"));
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
