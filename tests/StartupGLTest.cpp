#include <filesystem>
#include <vector>

#include <GL/glew.h>

#include "content/BinaryWriter.h"
#include "content/BlockFile.h"
#include "frame/Runtime.h"
#include "player/ContentLocation.h"
#include "player/Player.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"

namespace {

// Everything made on this thread at the moment its record is read, as a player without a
// worker would.
class OneThreadHooks : public content::LoadHooks {
public:
    void textureRead(Texture& texture) override { texture.upload(); }
    void sampleRead(AudioSample& sample) override { sample.decode(); }
    void fontRead(Font& font) override { font.open(); }
    void modelRead(Model& model) override { model.upload(); }
    void fontTextureResolved(FontTexture& fontTexture) override { fontTexture.prepare(); }
    void soundTextureMade(Texture& texture) override { texture.makeBlank(texture.width, texture.height); }
};

std::vector<uint8_t> frameAt(Demo& demo, float beat) {
    rootGraph = demo.rootGraph();
    FrameLoop loop;
    loop.demo = &demo;
    loop.screenSize = renderSize;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loop.draw(beat);
    std::vector<uint8_t> pixels(size_t(gl_support::kSize) * gl_support::kSize * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, gl_support::kSize, gl_support::kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class StartupGLTest : public gl_support::GLTest {};

}  // namespace

// The start-up path (media decoded on a worker, the one-pixel start-up render) against a slow
// start (all on this thread, every effect drawn whole): the frames at the show's start and
// amid its scenes, shadows, texts and echo come out the same.
TEST_F(StartupGLTest, FirstFramesMatchASlowStart) {
    testing_support::ScratchDir dir("startup");
    const std::filesystem::path block = dir.path() / "show.dat";
    {
        Demo project;
        content::readProjectFile(std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", project);
        content::BinaryWriter out;
        project.writeBinary(out);
        testing_support::writeFile(block, out.bytes());
    }
    const std::vector<float> beats = {0.0f, 36.0f};

    OneThreadHooks hooks;
    Demo slow(hooks);
    content::readDemoFile(block.string(), slow);
    showPrograms = &slow.shaders;
    slow.postLoad();
    for (auto& effect : slow.effects) effect->render({}, false);
    std::vector<std::vector<uint8_t>> expected;
    for (float beat : beats) expected.push_back(frameAt(slow, beat));

    std::unique_ptr<Demo> quick = locateAndReadContent("", block.string(), nullptr);
    quick->renderEffectsOnce();
    for (size_t i = 0; i < beats.size(); ++i) EXPECT_EQ(frameAt(*quick, beats[i]), expected[i]) << "beat " << beats[i];
    EXPECT_NE(expected[0], expected[1]);
    rootGraph = nullptr;
}
