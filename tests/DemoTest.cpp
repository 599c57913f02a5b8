#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "content/BlockFile.h"
#include "content/ContentError.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "tests/TestSupport.h"

using testing_support::ScratchDir;

namespace {

struct RecordingHooks : content::LoadHooks {
    std::vector<std::pair<uint64_t, uint64_t>> progressCalls;
    int fontTexturesPrepared = 0;
    int soundTextures = 0;
    void progress(uint64_t read, uint64_t total) override { progressCalls.emplace_back(read, total); }
    void fontTextureResolved(FontTexture&) override { ++fontTexturesPrepared; }
    void soundTextureMade(Texture& t) override {
        ++soundTextures;
        EXPECT_EQ(t.width, 1024);
        EXPECT_EQ(t.height, 2);
    }
};

std::unique_ptr<Demo> readBlock(const std::vector<uint8_t>& block, content::LoadHooks& hooks) {
    auto demo = std::make_unique<Demo>(hooks);
    content::BinaryReader in(block.data(), block.size());
    demo->readBinary(in);
    EXPECT_EQ(in.remaining(), 0u);
    return demo;
}

std::vector<uint8_t> packBinary(const Demo& demo) {
    content::BinaryWriter out;
    demo.writeBinary(out);
    return out.bytes();
}

const std::filesystem::path kExample = std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show";

// Pins that a project leaves without ids take fresh ones from the process-wide counter, so a
// pack is reproducible from a fresh counter, as each run of the pack tool starts with.
std::unique_ptr<Demo> loadExample() {
    Nodes::nextId() = 0;
    auto demo = std::make_unique<Demo>();
    content::readProjectFile(kExample / "project.json", *demo);
    return demo;
}

}  // namespace

TEST(DemoTest, EmptyBlockHasFourteenZeroCountsAndTheScalars) {
    Demo demo;
    demo.endBeat = 424.0f;
    demo.bpm = 136.0f;
    demo.beatOffset = 0.0f;
    demo.musicSampleRate = 44100;
    std::vector<uint8_t> block = packBinary(demo);
    ASSERT_EQ(block.size(), 8u + 14 * 8 + 8 + 16);
    for (size_t i = 0; i < 8 + 14 * 8 + 8; ++i) EXPECT_EQ(block[i], 0) << i;

    RecordingHooks hooks;
    auto back = readBlock(block, hooks);
    EXPECT_EQ(back->total, 0u);
    EXPECT_EQ(back->rootGraph(), nullptr);
    EXPECT_EQ(back->endBeat, 424.0f);
    EXPECT_EQ(back->bpm, 136.0f);
    EXPECT_EQ(back->musicSampleRate, 44100);
    EXPECT_EQ(hooks.progressCalls, (std::vector<std::pair<uint64_t, uint64_t>>{{0, 0}}));
    EXPECT_EQ(hooks.soundTextures, 1);
    EXPECT_EQ(back->soundTexture->name.rfind("Texture 0x", 0), 0u);
}

TEST(DemoTest, ExampleProjectRoundTripsByteForByte) {
    auto demo = loadExample();
    std::vector<uint8_t> block = packBinary(*demo);
    EXPECT_EQ(packBinary(*loadExample()), block) << "packing twice must give the same bytes";

    RecordingHooks hooks;
    auto read = readBlock(block, hooks);
    ASSERT_EQ(hooks.progressCalls.size(), read->total + 1);
    for (uint64_t i = 0; i < read->total; ++i) EXPECT_EQ(hooks.progressCalls[i].first, i);
    EXPECT_EQ(hooks.progressCalls.back(), std::make_pair(read->total, read->total));
    EXPECT_EQ(hooks.fontTexturesPrepared, 1);
    EXPECT_EQ(packBinary(*read), block);

    ScratchDir dir("demo-unpack");
    content::JsonFiles files;
    files.folder = dir.path();
    files.externalise = true;
    content::Json unpacked = read->toJson(files);
    EXPECT_FALSE(unpacked.contains("music"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "resources" / "music.mp3"));
    Demo again;
    again.fromJson(unpacked, files);
    EXPECT_EQ(packBinary(again), block);
}

TEST(DemoTest, ReferencesResolveByKeyAndKind) {
    auto demo = loadExample();
    std::vector<uint8_t> block = packBinary(*demo);
    auto read = readBlock(block, content::LoadHooks::none());
    const Event* background = nullptr;
    for (auto& e : read->events)
        if (e->name == "background") background = e.get();
    ASSERT_NE(background, nullptr);
    ASSERT_NE(background->effect, nullptr);
    EXPECT_EQ(background->effect->name, "plasma");
    ASSERT_NE(background->effect->program, nullptr);
    EXPECT_EQ(background->effect->program->fragmentFilename, "resources/plasma.frag");
    ASSERT_EQ(read->fontTextures.size(), 1u);
    EXPECT_EQ(read->fontTextures[0]->font, read->fonts[0].get());
    ASSERT_EQ(read->eventGroups.size(), 1u);
    EXPECT_EQ(read->eventGroups[0]->events.size(), 2u);
    EXPECT_EQ(read->rootGraph(), read->graphs[0].get());
}

TEST(DemoTest, KeyOfAnotherKindResolvesToNull) {
    // A font texture whose font key names a texture record: it must not become a Font.
    Demo demo;
    auto texture = std::make_unique<Texture>();
    texture->name = "t";
    texture->image = ByteBuffer(std::vector<uint8_t>{1, 2, 3});
    auto fontTexture = std::make_unique<FontTexture>();
    fontTexture->name = "ft";
    demo.textures.push_back(std::move(texture));
    demo.fontTextures.push_back(std::move(fontTexture));
    std::vector<uint8_t> block = packBinary(demo);
    // The font texture has no font, so its stored key is 0; make it the texture's key, 1.
    // From the end: four scalars, the empty music, six empty lists, then chars_per_beat, center.
    size_t fontKeyAt = block.size() - 16 - 8 - 6 * 8 - (4 + 1 + 8);
    ASSERT_EQ(block[fontKeyAt], 0);
    block[fontKeyAt] = 1;
    auto read = readBlock(block, content::LoadHooks::none());
    ASSERT_EQ(read->fontTextures.size(), 1u);
    EXPECT_EQ(read->fontTextures[0]->font, nullptr);
}

TEST(DemoTest, TruncatedBlockNamesTheRecordAndOffset) {
    std::vector<uint8_t> block = packBinary(*loadExample());
    block.resize(block.size() / 2);
    try {
        readBlock(block, content::LoadHooks::none());
        FAIL() << "a truncated block must not load";
    } catch (const content::ContentError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("byte offset"), std::string::npos) << message;
        EXPECT_NE(message.find(" in "), std::string::npos) << message;
    }
}

TEST(DemoTest, UnpackRefusesNamesOutsideTheFolder) {
    for (const char* name : {"../evil.png", "/tmp/evil.png", "a/../../evil.png"}) {
        Demo demo;
        auto texture = std::make_unique<Texture>();
        texture->name = name;
        texture->image = ByteBuffer(std::vector<uint8_t>{1, 2, 3});
        demo.textures.push_back(std::move(texture));
        ScratchDir dir("demo-evil");
        content::JsonFiles files;
        files.folder = dir.path() / "out";
        files.externalise = true;
        EXPECT_THROW(demo.toJson(files), content::ContentError) << name;
    }
}

TEST(DemoTest, ShowExecutableCarriesTheBlockBehindItsTrailer) {
    std::vector<uint8_t> block = packBinary(*loadExample());
    std::vector<uint8_t> exe(1000, 0xAB);
    std::vector<uint8_t> show = content::appendBlock(exe, block);
    ASSERT_EQ(show.size(), exe.size() + block.size() + 8);
    ScratchDir dir("demo-show");
    std::filesystem::path path = dir.path() / "show";
    testing_support::writeFile(path, show);
    Demo demo;
    content::BlockLocation where = content::readDemoFile(path.string(), demo);
    EXPECT_TRUE(where.inExecutable);
    EXPECT_EQ(where.offset, 1000u);
    EXPECT_EQ(where.size, block.size());
    EXPECT_EQ(packBinary(demo), block);

    // A trailer whose size does not fit is a damaged show, not a file without one.
    show.erase(show.begin(), show.begin() + 1001);
    testing_support::writeFile(path, show);
    Demo damaged;
    try {
        content::readDemoFile(path.string(), damaged);
        ADD_FAILURE() << "an oversized trailer must not read";
    } catch (const content::ContentError& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(block.size()) + " bytes in a file of " +
                                             std::to_string(show.size()) + " bytes"),
                  std::string::npos)
            << e.what();
    }
}

// A clock that cannot advance is a fault; an end beat that is never reached is a show that runs
// until Escape.
TEST(DemoTest, TimingFaultsNameTheirField) {
    const float nan = std::nanf(""), inf = INFINITY;
    struct Case {
        float bpm, offset, end;
        const char* field;  // null: no fault
    };
    for (const Case& c : {Case{0, 0, 8, "(bpm)"}, Case{-120, 0, 8, "(bpm)"}, Case{nan, 0, 8, "(bpm)"},
                          Case{inf, 0, 8, "(bpm)"}, Case{120, nan, 8, "(beat_offset)"},
                          Case{120, -inf, 8, "(beat_offset)"}, Case{120, 0, nan, "(end_beat)"},
                          Case{120, 0, inf, nullptr}, Case{120, -4, 20000, nullptr}}) {
        Demo demo;
        demo.bpm = c.bpm, demo.beatOffset = c.offset, demo.endBeat = c.end;
        const std::string fault = demo.timingFault();
        if (c.field)
            EXPECT_NE(fault.find(c.field), std::string::npos) << c.bpm << " " << c.offset << " " << c.end;
        else
            EXPECT_EQ(fault, "");
    }
}

TEST(DemoTest, PackToolReproducesAnUnpackedShow) {
    ScratchDir dir("demopack");
    std::string tool = testing_support::toolPath("demopack");
    std::string project = (kExample / "project.json").string();
    std::string first = (dir.path() / "first.dat").string();
    std::string again = (dir.path() / "again.dat").string();
    std::string unpacked = (dir.path() / "unpacked").string();
    auto run = [](const std::string& command) { return std::system((command + " > /dev/null").c_str()); };
    ASSERT_EQ(run(tool + " pack " + project + " -o " + first), 0);
    ASSERT_EQ(run(tool + " unpack " + first + " -o " + unpacked), 0);
    ASSERT_EQ(run(tool + " pack " + unpacked + "/project.json -o " + again), 0);
    EXPECT_EQ(testing_support::readFile(first), testing_support::readFile(again));
    EXPECT_EQ(run(tool + " info " + first), 0);

    std::vector<uint8_t> broken = testing_support::readFile(first);
    broken.resize(broken.size() - 20);
    testing_support::writeFile(dir.path() / "broken.dat", broken);
    EXPECT_NE(run(tool + " info " + (dir.path() / "broken.dat").string() + " 2>/dev/null"), 0);

    std::ofstream(dir.path() / "stopped.json") << R"({"bpm": 0.0, "end_beat": 8.0})";
    const std::string stopped = (dir.path() / "stopped.dat").string();
    const int status = run(tool + " pack " + (dir.path() / "stopped.json").string() + " -o " + stopped + " 2>/dev/null");
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(std::filesystem::exists(stopped));
}
