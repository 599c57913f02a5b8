// demopack check builds a show as the player does, off-screen: compiler messages come back at the
// file and line the author wrote, through includes and through patches a graph feeds into a
// program; scripts and models are told at their entries in the project.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/TestSupport.h"

namespace {

using testing_support::ScratchDir;
using testing_support::writeFile;

using testing_support::readText;

// Without DISPLAY: check needs no X server.
int check(const std::filesystem::path& folder, const std::string& project) {
    const std::string command = "cd '" + folder.string() + "' && env -u DISPLAY '" + testing_support::toolPath("demopack") +
                                "' check " + project + " > out.txt 2> err.txt";
    return WEXITSTATUS(std::system(command.c_str()));
}

TEST(ProjectCheckGLTest, BuildErrorsAreToldAtTheirSourceThroughIncludesAndPatches) {
    ScratchDir dir("project-check-gl");
    writeFile(dir.path() / "resources/v.vert", std::string("#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n"));
    writeFile(dir.path() / "resources/lib.frag", std::string("// helpers\nfloat pulse(float b) { return fract(b); }\n\n"));
    writeFile(dir.path() / "resources/main.frag",
              std::string("#version 150\n#include \"resources/lib.frag\"\nuniform float beat;\nout vec4 colour;\n"
                          "void main() {\n    vec4 col = vec4(pulse(beat));\n    // <FRAGMENT_PATCH>\n"
                          "    colour = col + missing;\n}\n"));
    writeFile(dir.path() / "resources/broken.glb", std::string("glTF but not really"));
    writeFile(dir.path() / "resources/box.gltf",
              std::string(R"({"asset": {"version": "2.0"}, "buffers": [{"uri": "box0.bin", "byteLength": 24}]})"));
    writeFile(dir.path() / "project.json", std::string(R"({"bpm": 120.0, "end_beat": 8.0, "music": "",
 "shaders": [{"vertex_shader_filename": "resources/v.vert", "fragment_shader_filename": "resources/main.frag"},
             {"vertex_shader_filename": "resources/v.vert", "fragment_shader_filename": "resources/lib.frag"}],
 "patches": [{"name": "tint", "fragment_patch": "col *= 0.5;\ncol = col +;"}],
 "scripts": [{"name": "wobble", "source": "var a = 1;\nresult.x = ;"}],
 "models": [{"name": "resources/broken.glb"}, {"name": "resources/box.gltf"}],
 "graph": {"root": 1, "nodes": [
   {"id": 1, "def": "tint.patch", "connections": [{"id": 3, "dst": 2, "src_output_idx": -1, "dst_input_idx": -1}]},
   {"id": 2, "def": "resources/main.frag"}]}})"));
    EXPECT_EQ(check(dir.path(), "project.json"), 1);
    const std::string errors = readText(dir.path() / "err.txt");
    EXPECT_NE(errors.find("\nresources/main.frag:8:"), std::string::npos) << "two lines of lib.frag come before it\n"
                                                                           << errors;
    EXPECT_NE(errors.find("project.json:4:49: patches[0] \"tint\": line 2 of \"fragment_patch\" in the fragment "
                          "shader of resources/main.frag: error: "),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("project.json:5:43: scripts[0] \"wobble\": SyntaxError: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("(line 2 of \"source\")"), std::string::npos) << errors;
    EXPECT_NE(errors.find("project.json:6:13: models[0] \"resources/broken.glb\": "), std::string::npos) << errors;
    EXPECT_EQ(errors.find("lib.frag"), std::string::npos) << "a library of functions need not link\n" << errors;
    // The parser's own cause, not what the empty model says afterwards.
    EXPECT_NE(errors.find("project.json:6:47: models[1] \"resources/box.gltf\": File not found"), std::string::npos)
        << errors;
    EXPECT_EQ(errors.find("box.gltf\": Err"), std::string::npos) << errors;

    // pack refuses what check refuses, with the same findings, unless told not to check.
    const std::string pack = "cd '" + dir.path().string() + "' && env -u DISPLAY '" + testing_support::toolPath("demopack") + "' pack ";
    EXPECT_EQ(WEXITSTATUS(std::system((pack + "project.json -o out.dat > out.txt 2> pack-err.txt").c_str())), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.dat"));
    std::string refused = errors;
    refused.insert(refused.size() - 1, ": nothing written");
    EXPECT_EQ(readText(dir.path() / "pack-err.txt"), refused);
    EXPECT_EQ(WEXITSTATUS(std::system((pack + "--no-check project.json -o out.dat > out.txt 2>&1").c_str())), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out.dat"));
    EXPECT_EQ(readText(dir.path() / "out.txt").find("Loading file"), std::string::npos) << "only with -v";
}

// A model that names no default scene draws nothing; an instance track past the draw bound is
// cut by the player. Both are told at their entries.
TEST(ProjectCheckGLTest, SceneLimitsAndModelsThatDrawNothingAreReported) {
    ScratchDir dir("project-check-scenes");
    writeFile(dir.path() / "v.vert", std::string("#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n"));
    writeFile(dir.path() / "s.frag", std::string("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n"));
    writeFile(dir.path() / "project.json", std::string(R"({"bpm": 120.0, "end_beat": 8.0, "music": "",
 "shaders": [{"vertex_shader_filename": "v.vert", "fragment_shader_filename": "s.frag"}],
 "models": [{"name": "/usr/share/assimp/models/glTF2/simple_skin/simple_skin.gltf"},
            {"name": ")") + DEMO_SOURCE_DIR + R"(/examples/show/resources/cube.glb"}],
 "scenes": [{"name": "s", "camera": {"position": [0.0, 0.0, 5.0], "direction": [0.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0],
             "aspect": 1.0, "fov": 45.0, "znear": 0.1, "zfar": 100.0}, "root_node": {"name": "n", "model": ")" + DEMO_SOURCE_DIR +
                                                   R"(/examples/show/resources/cube.glb"}}],
 "effects": [{"name": "e", "program": "s.frag", "scene": "s"}],
 "events": [{"type": 1, "name": "crowd", "effect": "e", "start_beat": 0.0, "end_beat": 8.0,
             "control_points": {"render_instances": {"mode": 1, "repeat": false,
                                "control_points": [{"beat": 0.0, "value": 1.0}, {"beat": 8.0, "value": 1e9}]}}}]})");
    EXPECT_EQ(check(dir.path(), "project.json"), 1);
    const std::string errors = readText(dir.path() / "err.txt");
    EXPECT_NE(errors.find("models[0] \"/usr/share/assimp/models/glTF2/simple_skin/simple_skin.gltf\": Model "
                          "/usr/share/assimp/models/glTF2/simple_skin/simple_skin.gltf: no default scene (\"scene\"); "
                          "it draws nothing"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("events[0] \"crowd\": \"render_instances\" reaches 1000000000 times a draw of "),
              std::string::npos)
        << errors;
}

TEST(ProjectCheckGLTest, TheExampleShowChecksCleanAndQuietly) {
    ScratchDir dir("project-check-example");
    EXPECT_EQ(check(dir.path(), std::string(DEMO_SOURCE_DIR) + "/examples/show/project.json"), 0);
    EXPECT_EQ(readText(dir.path() / "err.txt"), "");
    EXPECT_EQ(readText(dir.path() / "out.txt"), "");
}

}  // namespace
