#include <GL/glew.h>

#include <memory>
#include <regex>

#include "frame/Runtime.h"
#include "live/ProjectSession.h"
#include "live/ShowRelease.h"
#include "nodes/NodesGL.h"
#include "overlay/FindingsOverlay.h"
#include "player/Player.h"
#include "show/Demo.h"
#include "tests/ContextGLSupport.h"
#include "tests/LiveProjects.h"
#include "tests/TestSupport.h"

using gl_support::Pixel;
using testing_support::ScratchDir;
using testing_support::writeFile;
namespace lp = live_projects;

namespace {

class ProjectSessionGLTest : public gl_support::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Nodes::installLiveExecutes(Nodes::catalogue());
        writeFile(dir.path() / "default.vert", lp::kVertex);
        writeFile(dir.path() / "fill.frag", lp::fragment("vec4(1.0, level, 0.0, 1.0)"));
        writeFile(dir.path() / "project.json", lp::trackProject(0.5f));
    }
    void TearDown() override {
        rootGraph = nullptr;
        if (show) live::releaseShow(*show);
        GLTest::TearDown();
    }
    // The fill's colour in the show at beat 10 as the frame loop draws it.
    Pixel frame() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        FrameLoop loop;
        loop.demo = show.get();
        loop.screenSize = renderSize;
        rootGraph = show->rootGraph();
        loop.draw(10.0f);
        return gl_support::readPixel(gl_support::kSize / 2, gl_support::kSize / 2);
    }
    // Whether any pixel of the top rows, where the findings go, differs from `fill`.
    bool textOnTop(const Pixel& fill) {
        for (int y = gl_support::kSize - 12; y < gl_support::kSize; ++y)
            for (int x = 0; x < gl_support::kSize; x += 2)
                if (gl_support::readPixel(x, y) != fill) return true;
        return false;
    }
    // The last load must have been refused with one finding at least in `file`, and the show before
    // drawn with the findings over it.
    void expectRefusedAndKept(const live::LoadOutcome& outcome, const std::string& file, const Pixel& kept) {
        EXPECT_FALSE(outcome.replaced);
        ASSERT_GE(outcome.errors, 1u);
        EXPECT_TRUE(std::regex_search(outcome.findings[0], std::regex(file + ":[0-9]+:[0-9]+: "))) << outcome.findings[0];
        gl_support::expectPixelNear(frame(), kept);
        overlay::FindingsOverlay findings;
        findings.setLines(outcome.findings);
        findings.draw(gl_support::kSize, gl_support::kSize);
        EXPECT_TRUE(textOnTop(kept));
    }

    ScratchDir dir{"project-session"};
    std::unique_ptr<Demo> show;
    live::ProjectSession session{dir.path() / "project.json", show};
};

}  // namespace

TEST_F(ProjectSessionGLTest, ShaderEditsRebuildTheProgramAndMistakesKeepTheLastGoodOne) {
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 128, 0, 255});
    const uint32_t first = show->shaders[0]->program;

    writeFile(dir.path() / "fill.frag", lp::fragment("vec4(0.0, level, 1.0, 1.0)"));
    ASSERT_TRUE(session.load().replaced);
    EXPECT_NE(show->shaders[0]->program, first);
    EXPECT_FALSE(glIsProgram(first)) << "the replaced program is freed";
    gl_support::expectPixelNear(frame(), {0, 128, 255, 255});

    writeFile(dir.path() / "fill.frag", lp::fragment("vec4(0.0, level, 1.0, 1.0) +"));
    expectRefusedAndKept(session.load(), "fill\\.frag", {0, 128, 255, 255});

    writeFile(dir.path() / "fill.frag", lp::fragment("vec4(level, level, level, 1.0)"));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {128, 128, 128, 255});
}

TEST_F(ProjectSessionGLTest, TrackEditsKeepTheProgramAndJsonMistakesKeepTheShow) {
    ASSERT_TRUE(session.load().replaced);
    const uint32_t program = show->shaders[0]->program;

    writeFile(dir.path() / "project.json", lp::trackProject(1.0f));
    ASSERT_TRUE(session.load().replaced);
    EXPECT_EQ(show->shaders[0]->program, program) << "an unchanged program is kept";
    gl_support::expectPixelNear(frame(), {255, 255, 0, 255});

    writeFile(dir.path() / "project.json", lp::trackProject(0.0f) + ",");
    expectRefusedAndKept(session.load(), "project\\.json", {255, 255, 0, 255});
    EXPECT_TRUE(glIsProgram(program));

    writeFile(dir.path() / "project.json", lp::trackProject(0.0f));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 0, 0, 255});
}

TEST_F(ProjectSessionGLTest, ScriptEditsTakeEffectAndSyntaxErrorsKeepTheShow) {
    writeFile(dir.path() / "project.json", lp::scriptProject("result.level = 0.25;"));
    live::LoadOutcome first = session.load();
    ASSERT_TRUE(first.replaced) << (first.findings.empty() ? "" : first.findings[0]);
    gl_support::expectPixelNear(frame(), {255, 64, 0, 255});

    writeFile(dir.path() / "project.json", lp::scriptProject("result.level = 1.0;"));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 255, 0, 255});

    writeFile(dir.path() / "project.json", lp::scriptProject("result.level = ;"));
    expectRefusedAndKept(session.load(), "project\\.json", {255, 255, 0, 255});

    writeFile(dir.path() / "project.json", lp::scriptProject("result.level = 0.0;"));
    ASSERT_TRUE(session.load().replaced);
    gl_support::expectPixelNear(frame(), {255, 0, 0, 255});
}
