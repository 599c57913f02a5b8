#include "content/AudioSample.h"
#include "content/ContentError.h"
#include "content/Data.h"
#include "timeline/FontTexture.h"
#include "content/Texture.h"
#include "tests/RecordChecks.h"
#include "tests/TestSupport.h"
#include "timeline/Font.h"

using namespace content;
using namespace testing_support;

namespace {

const std::vector<uint8_t> kBytes = {0x89, 'P', 'N', 'G', 0, 1, 2, 3, 250, 255};

// The buffer field and JSON key of each kind that carries a name and a file's bytes.
template <class T>
struct Media;
template <>
struct Media<Data> {
    static constexpr const char* kind = "Data";
    static constexpr const char* key = "data_buffer";
    static ByteBuffer& bytes(Data& r) { return r.buffer; }
};
template <>
struct Media<Texture> {
    static constexpr const char* kind = "Texture";
    static constexpr const char* key = "image_buffer";
    static ByteBuffer& bytes(Texture& r) { return r.image; }
};
template <>
struct Media<AudioSample> {
    static constexpr const char* kind = "AudioSample";
    static constexpr const char* key = "audio_buffer";
    static ByteBuffer& bytes(AudioSample& r) { return r.bytes; }
};

template <class T>
std::unique_ptr<T> makeMedia(const std::string& name, const std::vector<uint8_t>& bytes) {
    auto record = std::make_unique<T>();
    record->name = name;
    Media<T>::bytes(*record) = ByteBuffer(bytes);
    return record;
}

template <class T>
std::vector<uint8_t> contentOf(T& record) {
    ByteBuffer& b = Media<T>::bytes(record);
    return std::vector<uint8_t>(b.begin(), b.end());
}

}  // namespace

template <class T>
class MediaRecordsBufferTest : public ::testing::Test {};
using MediaKinds = ::testing::Types<Data, Texture, AudioSample>;
TYPED_TEST_SUITE(MediaRecordsBufferTest, MediaKinds);

TYPED_TEST(MediaRecordsBufferTest, RoundTripsThroughBothForms) {
    auto original = makeMedia<TypeParam>("pics/logo.png", kBytes);
    std::vector<uint8_t> bytes = toBytes(*original);
    auto copy = fromBytes<TypeParam>(bytes);
    EXPECT_EQ(copy->name, "pics/logo.png");
    EXPECT_EQ(contentOf(*copy), kBytes);

    Json json = copy->toJson({});
    EXPECT_EQ(json, (Json{{"name", "pics/logo.png"}, {Media<TypeParam>::key, base64Encode(kBytes.data(), kBytes.size())}}));
    EXPECT_EQ(toBytes(*fromJson<TypeParam>(json)), bytes);
    EXPECT_EQ(fromBytes<TypeParam>(toBytes(*fromJson<TypeParam>(json)))->toJson({}), json);
    expectTruncationRejected<TypeParam>(bytes, Media<TypeParam>::kind);
}

TYPED_TEST(MediaRecordsBufferTest, RecordWithoutBufferStillWritesAnEmptyOne) {
    TypeParam blank;
    auto next = makeMedia<TypeParam>("next", kBytes);
    BinaryWriter out;
    blank.writeBinary(out);
    // The empty name is the codec's single length byte: stored length 1. Then buffer length 0.
    ASSERT_EQ(out.bytes().size(), 8u + 1u + 8u);
    EXPECT_EQ(out.bytes()[0], 1);
    next->writeBinary(out);

    BinaryReader in(out.bytes().data(), out.bytes().size());
    TypeParam first, second;
    first.readBinary(in);
    second.readBinary(in);
    EXPECT_EQ(Media<TypeParam>::bytes(first).length, 0u);
    EXPECT_EQ(second.name, "next");
    EXPECT_EQ(contentOf(second), kBytes);
}

TYPED_TEST(MediaRecordsBufferTest, MissingBufferKeyReadsTheNamedFile) {
    ScratchDir dir("media-load");
    writeFile(dir.path() / "media/a.bin", "file bytes");
    JsonFiles files = filesIn(dir.path(), false);

    auto record = fromJson<TypeParam>(Json{{"name", "media/a.bin"}}, files);
    std::string text = "file bytes";
    EXPECT_EQ(contentOf(*record), std::vector<uint8_t>(text.begin(), text.end()));

    try {
        fromJson<TypeParam>(Json{{"name", "media/missing.bin"}}, files);
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const ContentError& e) {
        EXPECT_STREQ(e.what(), "File not found: media/missing.bin");
    }
}

TYPED_TEST(MediaRecordsBufferTest, ExternaliseWritesTheFileAndOnlyTheName) {
    ScratchDir dir("media-save");
    JsonFiles files = filesIn(dir.path(), true);

    auto first = makeMedia<TypeParam>("out/blob.bin", kBytes);
    EXPECT_EQ(first->toJson(files), (Json{{"name", "out/blob.bin"}}));
    EXPECT_EQ(readFile(dir.path() / "out/blob.bin"), kBytes);

    // The same bytes again share the file; other bytes under that name stay embedded.
    EXPECT_EQ(makeMedia<TypeParam>("out/blob.bin", kBytes)->toJson(files), (Json{{"name", "out/blob.bin"}}));
    Json clash = makeMedia<TypeParam>("out/blob.bin", {7, 7})->toJson(files);
    EXPECT_EQ(clash[Media<TypeParam>::key], base64Encode(std::vector<uint8_t>{7, 7}.data(), 2));
    EXPECT_EQ(readFile(dir.path() / "out/blob.bin"), kBytes);

    EXPECT_EQ(contentOf(*fromJson<TypeParam>(first->toJson(files), files)), kBytes);
}

TYPED_TEST(MediaRecordsBufferTest, UnsafeNamesAreRefusedOnExport) {
    ScratchDir dir("media-unsafe");
    JsonFiles files = filesIn(dir.path() / "inner", true);
    for (const std::string& name : std::vector<std::string>{"../escape.bin", "a/../../escape.bin", "..\\escape.bin",
                                                            "C:\\abs.bin", (dir.path() / "abs.bin").string()})
        EXPECT_THROW(makeMedia<TypeParam>(name, kBytes)->toJson(files), ContentError) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "escape.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "abs.bin"));
}

TYPED_TEST(MediaRecordsBufferTest, BackslashNamesAreFoldersBothWays) {
    ScratchDir dir("media-backslash");
    JsonFiles files = filesIn(dir.path(), true);
    Json j = makeMedia<TypeParam>("res\\sub\\blob.bin", kBytes)->toJson(files);
    EXPECT_FALSE(j.contains(Media<TypeParam>::key)) << "a relative Windows name is written as a file";
    EXPECT_EQ(readFile(dir.path() / "res/sub/blob.bin"), kBytes);
    EXPECT_EQ(contentOf(*fromJson<TypeParam>(j, files)), kBytes);
}

TEST(MediaRecordsTest, FontTextureJsonDefaultsAndTypedReads) {
    auto ft = fromJson<FontTexture>(Json{{"name", "t"}, {"width", 5.0}, {"height", 64}, {"font", "Sans"}});
    EXPECT_EQ(ft->width, 0);  // a float where an integer belongs reads as 0
    EXPECT_EQ(ft->height, 64);
    EXPECT_EQ(ft->fontName, "Sans");
    EXPECT_FALSE(ft->center);
    EXPECT_EQ(ft->charsPerBeat, -1);

    ft = fromJson<FontTexture>(Json{{"center", true}, {"chars_per_beat", 3}});
    EXPECT_TRUE(ft->center);
    EXPECT_EQ(ft->charsPerBeat, 3);
}

TEST(MediaRecordsTest, FontTextureRoundTripsWithItsFontReference) {
    Font font;
    font.name = "Sans";
    Json json = {{"name", "caption"}, {"width", 320},   {"height", 40},
                 {"font", "Sans"},    {"center", true}, {"chars_per_beat", 4}};
    // The Demo resolves stored names and keys; here there is one font to resolve to.
    auto write = [&](const FontTexture& ft) {
        BinaryWriter out;
        out.assignKey(&font);
        ft.writeBinary(out);
        return out.bytes();
    };
    auto ft = fromJson<FontTexture>(json);
    EXPECT_EQ(ft->fontName, "Sans");
    ft->font = &font;
    EXPECT_EQ(ft->toJson({}), json);

    std::vector<uint8_t> bytes = write(*ft);
    auto copy = fromBytes<FontTexture>(bytes);
    EXPECT_EQ(copy->fontKey, 1u);
    copy->font = &font;
    EXPECT_EQ(copy->toJson({}), json);
    auto reread = fromJson<FontTexture>(copy->toJson({}));
    reread->font = &font;
    EXPECT_EQ(write(*reread), bytes);
    expectTruncationRejected<FontTexture>(bytes, "FontTexture");

    // Without a font: key 0, and no "font" in JSON rather than a name that could match a record.
    ft->font = nullptr;
    EXPECT_EQ(fromBytes<FontTexture>(write(*ft))->fontKey, 0u);
    EXPECT_FALSE(ft->toJson({}).contains("font"));
}
