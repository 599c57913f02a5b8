#include <GL/glew.h>

#include <memory>
#include <regex>

#include "live/ProjectSession.h"
#include "live/ShowRelease.h"
#include "show/Demo.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"

using gl_support::Pixel;
using testing_support::ScratchDir;
using testing_support::writeFile;

namespace {

const char* const kVertex = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";

// A fill whose colour is `colour` with green from the "level" track.
std::string fragment(const std::string& colour) {
    return "#version 150\nuniform float level;\nout vec4 c;\nvoid main() { c = " + colour + "; }\n";
}

std::string project(float level) {
    const std::string l = std::to_string(level);
    return R"({"bpm": 60.0, "beat_offset": 0.0, "end_beat": 100.0, "music": "",
 "shaders": [{"vertex_shader_filename": "default.vert", "fragment_shader_filename": "fill.frag",
   "uniform_defs": [{"name": "level", "min_val": 0.0, "max_val": 1.0, "default_val": 0.0}]}],
 "effects": [{"name": "fill", "program": "fill.frag"}],
 "events": [{"type": 1, "name": "fill", "effect": "fill", "start_beat": 0.0, "end_beat": 100.0,
   "control_points": {"level": {"mode": 1, "repeat": false, "control_points": [
     {"beat": 0.0, "value": )" + l + R"(}, {"beat": 100.0, "value": )" + l + R"(}]}}}]})";
}

class ProjectSessionGLTest : public gl_support::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        writeFile(dir.path() / "default.vert", kVertex);
        writeFile(dir.path() / "fill.frag", fragment("vec4(1.0, level, 0.0, 1.0)"));
        writeFile(dir.path() / "project.json", project(0.5f));
    }
    void TearDown() override {
        if (show) live::releaseShow(*show);
        GLTest::TearDown();
    }
    Pixel frame() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        show->renderTimeline(10.0f);
        return gl_support::readPixel(gl_support::kSize / 2, gl_support::kSize / 2);
    }

    ScratchDir dir{"project-session"};
    std::unique_ptr<Demo> show;
    live::ProjectSession session{dir.path() / "project.json", show};
};

}  // namespace

TEST_F(ProjectSessionGLTest, ShaderEditsReplaceTheProgramAndMistakesKeepTheLastGoodOne) {
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 128, 0, 255});
    const uint32_t first = show->shaders[0]->program;

    writeFile(dir.path() / "fill.frag", fragment("vec4(0.0, level, 1.0, 1.0)"));
    live::LoadOutcome edited = session.load();
    ASSERT_TRUE(edited.replaced) << (edited.findings.empty() ? "" : edited.findings[0]);
    EXPECT_NE(show->shaders[0]->program, first);
    gl_support::expectPixelNear(frame(), {0, 128, 255, 255});

    writeFile(dir.path() / "fill.frag", fragment("vec4(0.0, level, 1.0, 1.0) +"));
    live::LoadOutcome broken = session.load();
    EXPECT_FALSE(broken.replaced);
    ASSERT_EQ(broken.errors, broken.findings.size());
    ASSERT_GE(broken.findings.size(), 1u);
    EXPECT_TRUE(std::regex_search(broken.findings[0], std::regex("fill\\.frag:4:[0-9]+: ")));
    gl_support::expectPixelNear(frame(), {0, 128, 255, 255});

    writeFile(dir.path() / "fill.frag", fragment("vec4(level, level, level, 1.0)"));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {128, 128, 128, 255});
}

TEST_F(ProjectSessionGLTest, TrackEditsKeepTheProgramAndJsonMistakesKeepTheShow) {
    ASSERT_TRUE(session.load().replaced);
    const uint32_t program = show->shaders[0]->program;

    writeFile(dir.path() / "project.json", project(1.0f));
    ASSERT_TRUE(session.load().replaced);
    EXPECT_EQ(show->shaders[0]->program, program) << "an unchanged program is kept";
    gl_support::expectPixelNear(frame(), {255, 255, 0, 255});

    writeFile(dir.path() / "project.json", project(0.0f) + ",");
    live::LoadOutcome broken = session.load();
    EXPECT_FALSE(broken.replaced);
    ASSERT_EQ(broken.findings.size(), 1u);
    EXPECT_TRUE(std::regex_search(broken.findings[0], std::regex("project\\.json:[0-9]+:[0-9]+: ")));
    gl_support::expectPixelNear(frame(), {255, 255, 0, 255});
    EXPECT_TRUE(glIsProgram(program));

    writeFile(dir.path() / "project.json", project(0.0f));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 0, 0, 255});
}
