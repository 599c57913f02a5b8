#include <random>

#include "content/ContentError.h"
#include "content/Scramble.h"
#include "content/StringCodec.h"
#include "tests/TestSupport.h"

using namespace content;

namespace {

std::string roundTrip(const std::string& text) {
    std::vector<uint8_t> packed = compress(text);
    return decompress(packed.data(), packed.size());
}

std::string decode(std::vector<uint8_t> bytes) { return decompress(bytes.data(), bytes.size()); }

}  // namespace

TEST(CodecTest, RoundTripsTextsOfEveryShape) {
    std::mt19937 rng(7);
    std::string random(5000, '\0');
    for (char& c : random) c = char(rng());
    std::string shader;
    for (int i = 0; i < 200; ++i) shader += "uniform float u" + std::to_string(i % 17) + ";\nvoid main() { gl_FragColor = vec4(1.0); }\n";
    for (const std::string& text : {std::string(), std::string("a"), std::string("abcd"), std::string("abcde"),
                                    std::string(100000, 'x'), random, shader})
        EXPECT_EQ(roundTrip(text), text) << "length " << text.size();
    EXPECT_LT(compress(shader).size(), shader.size() / 5);
}

TEST(CodecTest, EmptyStringIsOneLengthByte) {
    EXPECT_EQ(compress(""), std::vector<uint8_t>{0});
}

TEST(CodecTest, DecodesHandWrittenPackets) {
    // U = 11, literal "a", match distance 1 length 10 (code 0, then 10 - 4 = 6).
    EXPECT_EQ(decode({11, 3, 'a', (1 << 3) << 1, 6}), std::string(11, 'a'));
    // A zero-length literal run produces nothing.
    EXPECT_EQ(decode({2, 1, 5, 'h', 'i'}), "hi");
    // Input that ends early leaves a zero tail.
    EXPECT_EQ(decode({4, 3, 'z'}), std::string("z\0\0\0", 4));
    // Bytes after the last packet are ignored.
    EXPECT_EQ(decode({1, 3, 'q', 99, 98}), "q");
}

// Copies run ahead of the packets in 16-byte steps; what they leave past the last packet, and
// whatever a reused buffer held, must not show through the zero tail of a cut-off input.
TEST(CodecTest, CutOffInputLeavesZerosInAReusedBuffer) {
    std::vector<uint8_t> bytes = {64, 16 << 1 | 1};
    for (char c = 'a'; c <= 'p'; ++c) bytes.push_back(uint8_t(c));
    bytes.insert(bytes.end(), {0x80 | 2, 2});  // a match of distance 16 and length 5
    std::string out(64, 'X');
    decompressInto(bytes.data(), bytes.size(), out);
    EXPECT_EQ(out, "abcdefghijklmnopabcde" + std::string(43, '\0'));
    EXPECT_EQ(decode(bytes), out);
}

TEST(CodecTest, RejectsPacketsOutsideTheOutput) {
    auto malformed = [](std::vector<uint8_t> bytes) {
        try {
            decode(bytes);
        } catch (const ContentError& e) {
            return std::string(e.what()) == "Malformed data while uncompressing";
        }
        return false;
    };
    EXPECT_TRUE(malformed({2, 7, 'a', 'b', 'c'}));                 // literal longer than the room
    EXPECT_TRUE(malformed({10, 3, 'a', (2 << 3 | 1) << 1}));       // source before the first byte
    EXPECT_TRUE(malformed({10, 3, 'a', (0 << 3 | 1) << 1}));       // source at the end
    EXPECT_TRUE(malformed({6, 3, 'a', (1 << 3 | 3) << 1}));        // match longer than the room
    EXPECT_THROW(decompress(std::vector<uint8_t>{100}.data(), 1, 10), ContentError);
}

TEST(ScrambleTest, IsItsOwnInverseAndRestartsPerItem) {
    std::vector<uint8_t> data(10000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 31);
    std::vector<uint8_t> copy = data;
    scramble(copy.data(), copy.size());
    EXPECT_NE(copy, data);
    scramble(copy.data(), copy.size());
    EXPECT_EQ(copy, data);

    uint8_t one = 0;
    scramble(&one, 1);
    std::vector<uint8_t> zeros(1000, 0);
    scramble(zeros.data(), zeros.size());
    EXPECT_EQ(one, zeros[0]);
    // First key: 719 is odd, so k = 3 * 719 + 1 = 2158, whose low byte is 0x6e.
    EXPECT_EQ(one, 2158 & 0xff);
}

TEST(ScrambleTest, MatchesTheByteByByteKeystream) {
    std::vector<uint8_t> data(9000, 0);
    scramble(data.data(), data.size());
    uint64_t k = kScrambleSeed;
    for (size_t i = 0; i < data.size(); ++i) {
        k = (k & 1) ? 3 * k + 1 : k / 2;
        if (k == 1) k = kScrambleSeed;
        ASSERT_EQ(data[i], uint8_t(k)) << "at " << i;
    }
}
