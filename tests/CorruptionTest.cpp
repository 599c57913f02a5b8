// Every truncation and many byte flips of a real block must load or fail with ContentError:
// never crash, hang, or throw anything else. Run under ASan/UBSan by the test script.
#include <fstream>

#include "content/ContentError.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "tests/TestSupport.h"

namespace {

// The example show with its large media cut down, so that every offset can be tried quickly;
// every record kind and every string and buffer form is still there.
std::vector<uint8_t> smallRealBlock() {
    Demo demo;
    content::readProjectFile(std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", demo);
    demo.music = ByteBuffer(std::vector<uint8_t>(300, 7));
    for (auto& font : demo.fonts) font->data = ByteBuffer(std::vector<uint8_t>(200, 1));
    for (auto& model : demo.models) model->buffer = ByteBuffer(std::vector<uint8_t>(64, 2));
    for (auto& sample : demo.audioSamples) sample->bytes = ByteBuffer(std::vector<uint8_t>(100, 3));
    content::BinaryWriter out;
    demo.writeBinary(out);
    return out.bytes();
}

// Loads or rejects; anything but ContentError escapes and fails the test.
bool loads(const std::vector<uint8_t>& block) {
    Demo demo;
    content::BinaryReader in(block.data(), block.size());
    try {
        demo.readBinary(in);
        return true;
    } catch (const content::ContentError&) {
        return false;
    }
}

class CorruptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { block_ = new std::vector<uint8_t>(smallRealBlock()); }
    static void TearDownTestSuite() { delete block_; }
    void TearDown() override { Nodes::catalogue() = Nodes::NodeCatalogue(); }
    static std::vector<uint8_t>* block_;
};

std::vector<uint8_t>* CorruptionTest::block_ = nullptr;

}  // namespace

TEST_F(CorruptionTest, EveryTruncationIsRejected) {
    const std::vector<uint8_t>& block = *block_;
    ASSERT_TRUE(loads(block));
    for (size_t size = 0; size < block.size(); ++size) {
        std::vector<uint8_t> cut(block.begin(), block.begin() + long(size));
        EXPECT_FALSE(loads(cut)) << "a block cut to " << size << " bytes loaded";
        if (size % 512 == 0) Nodes::catalogue() = Nodes::NodeCatalogue();
    }
}

TEST_F(CorruptionTest, FlippedBytesLoadOrFailCleanly) {
    const std::vector<uint8_t>& block = *block_;
    int rejected = 0;
    for (size_t at = 0; at < block.size(); at += 3) {
        for (uint8_t pattern : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x01)}) {
            std::vector<uint8_t> bad = block;
            bad[at] ^= pattern;
            if (!loads(bad)) ++rejected;
        }
        if (at % 512 == 0) Nodes::catalogue() = Nodes::NodeCatalogue();
    }
    EXPECT_GT(rejected, 0);
}

TEST_F(CorruptionTest, HugeCountsAndLengthsFailBeforeAllocating) {
    const std::vector<uint8_t>& block = *block_;
    // Overwrite each 8-byte window with an enormous number: counts, lengths and keys. A reader
    // that allocated first would throw bad_alloc (or abort under ASan) instead of ContentError.
    int rejected = 0;
    for (size_t at = 0; at + 8 <= block.size(); at += 1) {
        std::vector<uint8_t> bad = block;
        for (int i = 0; i < 8; ++i) bad[at + i] = i == 7 ? 0x7F : 0xFF;
        if (!loads(bad)) ++rejected;
        if (at % 512 == 0) Nodes::catalogue() = Nodes::NodeCatalogue();
    }
    // Windows inside media bytes still load; the check that matters is that nothing but
    // ContentError escapes, and that windows over counts and lengths are rejected.
    EXPECT_GT(rejected, int(block.size() / 8));
}
