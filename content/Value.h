// The typed value on pins, script ports, patch inputs and node state: a type code, a 64-byte
// payload and a text, plus MaybeValue for values that may be absent.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "content/ISerializable.h"

namespace values {

enum Type : int32_t {
    Bool = 0, Int = 1, Float = 2, String = 3, Vec2 = 4, Vec3 = 5, Vec4 = 6,
    IVec2 = 7, IVec3 = 8, IVec4 = 9, Mat2 = 10, Mat3 = 11, Mat4 = 12,
    Texture = 13, Handle = 14, VertexArray = 15, Reference = 16,
};

// Number of payload floats or ints of vector and matrix codes; 0 for the others.
int componentCount(int32_t type);
// GLSL type name used when a value is declared as a uniform.
const char* glslTypeName(int32_t type);

class Value : public ISerializable {
public:
    alignas(8) uint8_t payload[64] = {};
    std::string text;
    int32_t type = Bool;

    Value() = default;
    Value(int32_t type, const void* words, size_t bytes);
    // The payload moves as one block: member-wise, it would be copied byte by byte, and values
    // are copied along every data link of every frame.
    Value(const Value& other) : ISerializable(other), text(other.text), type(other.type) {
        std::memcpy(payload, other.payload, sizeof payload);
    }
    Value(Value&& other) noexcept : ISerializable(other), text(std::move(other.text)), type(other.type) {
        std::memcpy(payload, other.payload, sizeof payload);
    }
    Value& operator=(const Value& other) {
        if (this != &other) {
            std::memcpy(payload, other.payload, sizeof payload);
            text = other.text;
            type = other.type;
        }
        return *this;
    }
    Value& operator=(Value&& other) noexcept {
        if (this != &other) {
            std::memcpy(payload, other.payload, sizeof payload);
            text = std::move(other.text);
            type = other.type;
        }
        return *this;
    }
    ~Value() override = default;

    static Value ofBool(bool v);
    static Value ofInt(int32_t v);
    static Value ofFloat(float v);
    static Value ofString(std::string v);
    static Value ofFloats(int32_t type, const float* v, int n);
    static Value ofInts(int32_t type, const int32_t* v, int n);
    static Value ofReference(uint64_t handle);
    static Value ofName(int32_t type, uint32_t glName);  // texture, handle or vertex array

    bool asBool() const { return payload[0] != 0; }
    int32_t asInt() const { return word<int32_t>(0); }
    float asFloat() const { return word<float>(0); }
    uint64_t asReference() const { return word<uint64_t>(0); }
    float floatAt(int i) const { return word<float>(i); }
    int32_t intAt(int i) const { return word<int32_t>(i); }

    bool operator==(const Value& other) const;

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;

private:
    template <class T>
    T word(int index) const {
        T v;
        std::memcpy(&v, payload + index * sizeof(T), sizeof(T));
        return v;
    }
};

class MaybeValue : public ISerializable {
public:
    Value value;
    bool hasValue = false;

    MaybeValue() = default;
    MaybeValue(Value v) : value(std::move(v)), hasValue(true) {}

    bool operator==(const MaybeValue& other) const {
        return hasValue == other.hasValue && (!hasValue || value == other.value);
    }

    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};

}  // namespace values
