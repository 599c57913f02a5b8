#include "content/ContentError.h"
#include "content/Registry.h"
#include "content/Value.h"
#include "tests/TestSupport.h"

using namespace values;
using testing_support::fromBytes;
using testing_support::toBytes;

namespace {

Value fromJsonText(const char* text) {
    Value v;
    v.fromJson(content::Json::parse(text));
    return v;
}

}  // namespace

TEST(ValueTest, BinaryLayoutIsTypeThenPayloadOrString) {
    float xyz[3] = {1, 2, 3};
    std::vector<uint8_t> bytes = toBytes(Value::ofFloats(Vec3, xyz, 3));
    ASSERT_EQ(bytes.size(), 68u);
    EXPECT_EQ(bytes[0], 5);
    for (size_t i = 16; i < 68; ++i) EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(fromBytes<Value>(bytes)->floatAt(2), 3.0f);

    std::vector<uint8_t> text = toBytes(Value::ofString("abc"));
    EXPECT_EQ(text.size(), 4u + 8u + 5u);  // type, stored length, compressed "abc" (length + literal packet)
    EXPECT_EQ(fromBytes<Value>(text)->text, "abc");

    EXPECT_EQ(toBytes(MaybeValue()).size(), 1u);
    EXPECT_EQ(fromBytes<MaybeValue>(toBytes(MaybeValue(Value::ofInt(-7))))->value.asInt(), -7);
}

TEST(ValueTest, UnknownTypeCodesKeepTheirPayload) {
    Value v(42, "\x01\x02\x03", 3);
    auto back = fromBytes<Value>(toBytes(v));
    EXPECT_EQ(back->type, 42);
    EXPECT_EQ(back->payload[2], 3);
    content::Json j = v.toJson();
    EXPECT_FALSE(j.contains("value"));
    Value fromJson = v;
    fromJson.fromJson(j);
    EXPECT_EQ(fromJson.payload[1], 2);  // a code above 16 reads nothing more
}

TEST(ValueTest, JsonReadsFollowTheStrictTypingRules) {
    EXPECT_EQ(fromJsonText(R"({"type": 2, "value": 1})").asFloat(), 0.0f);
    EXPECT_EQ(fromJsonText(R"({"type": 2, "value": 1.0})").asFloat(), 1.0f);
    Value ivec = fromJsonText(R"({"type": 7, "value": [3, 4.5]})");
    EXPECT_EQ(ivec.intAt(0), 3);
    EXPECT_EQ(ivec.intAt(1), 0);
    EXPECT_EQ(fromJsonText(R"({"value": true})").type, Bool);
    EXPECT_FALSE(fromJsonText(R"({"type": 0, "value": 1})").asBool());
    // A matrix array longer than the matrix is read up to its size.
    Value m = fromJsonText(R"({"type": 10, "value": [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]})");
    EXPECT_EQ(m.floatAt(3), 4.0f);
    EXPECT_EQ(m.floatAt(4), 0.0f);
    EXPECT_EQ(fromJsonText(R"({"type": 12, "value": 7})").floatAt(0), 0.0f);
}

TEST(ValueTest, JsonRoundTripsEveryTypeCode) {
    for (int32_t type = 0; type <= 16; ++type) {
        Value v;
        v.type = type;
        for (int i = 0; i < 16; ++i) {
            float f = 0.5f * float(i + 1);
            int32_t n = i - 3;
            if (componentCount(type) > 0 && (type < IVec2 || type > IVec4)) std::memcpy(v.payload + 4 * i, &f, 4);
            else if (componentCount(type) > 0) std::memcpy(v.payload + 4 * i, &n, 4);
        }
        if (componentCount(type) > 0) std::memset(v.payload + 4 * componentCount(type), 0, 64 - 4 * componentCount(type));
        if (type == Int || type == Texture || type == Handle || type == VertexArray) v = Value(type, "\xfe\xff\xff\xff", 4);
        if (type == Float) v = Value::ofFloat(-2.25f);
        if (type == Bool) v = Value::ofBool(true);
        if (type == String) v = Value::ofString("hello");
        Value back;
        back.fromJson(v.toJson());
        EXPECT_EQ(back, v) << "type " << type;
    }
}

TEST(ValueTest, ReferencesWriteTheirLowWordAndReadSignExtended) {
    Value big = Value::ofReference(0x00000000FFFFFFF0ull);
    content::Json j = big.toJson();
    EXPECT_EQ(j["value"].get<int64_t>(), -16);
    Value back;
    back.fromJson(j);
    EXPECT_EQ(back.asReference(), 0xFFFFFFFFFFFFFFF0ull);
}

TEST(ValueTest, MaybeValueJsonKeepsPresenceWithoutAValue) {
    MaybeValue m;
    m.fromJson(content::Json::parse(R"({"hasValue": true})"));
    EXPECT_TRUE(m.hasValue);
    EXPECT_EQ(m.value, Value());
    MaybeValue absent;
    absent.fromJson(content::Json::parse(R"({"value": {"type": 1, "value": 3}})"));
    EXPECT_FALSE(absent.hasValue);
}

TEST(ValueTest, TruncatedValueIsAnError) {
    std::vector<uint8_t> bytes = toBytes(Value::ofInt(5));
    bytes.resize(40);
    content::BinaryReader in(bytes.data(), bytes.size());
    Value v;
    EXPECT_THROW(v.readBinary(in), content::ContentError);
}

namespace {
struct Apple {};
struct Pear {};
}  // namespace

TEST(RegistryTest, HandlesResolveOnlyToLiveRecordsOfTheirKind) {
    Apple apple;
    uint64_t h = Registry::add(&apple);
    EXPECT_EQ(Registry::resolve<Apple>(h), &apple);
    EXPECT_EQ(Registry::resolve<Pear>(h), nullptr);
    EXPECT_EQ(Registry::resolve<Apple>(h + 1), nullptr);
    EXPECT_EQ(Registry::resolve<Apple>(reinterpret_cast<uintptr_t>(&apple)), nullptr);
    EXPECT_EQ(Registry::resolve<Apple>(0), nullptr);
    Registry::remove(h);
    EXPECT_EQ(Registry::resolve<Apple>(h), nullptr);
    Apple other;
    uint64_t reused = Registry::add(&other);
    EXPECT_NE(reused, h);
    EXPECT_EQ(Registry::resolve<Apple>(h), nullptr);  // the old handle stays dead after slot reuse
    EXPECT_EQ(Registry::resolve<Apple>(reused), &other);
}
