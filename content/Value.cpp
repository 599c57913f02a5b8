#include "content/Value.h"

#include <algorithm>

namespace values {

int componentCount(int32_t type) {
    switch (type) {
        case Vec2: case IVec2: return 2;
        case Vec3: case IVec3: return 3;
        case Vec4: case IVec4: case Mat2: return 4;
        case Mat3: return 9;
        case Mat4: return 16;
        default: return 0;
    }
}

const char* glslTypeName(int32_t type) {
    switch (type) {
        case Bool: return "bool";
        case Int: return "int";
        case Vec2: return "vec2";
        case Vec3: return "vec3";
        case Vec4: return "vec4";
        case IVec2: return "ivec2";
        case IVec3: return "ivec3";
        case IVec4: return "ivec4";
        case Texture: return "sampler2D";
        default: return "float";
    }
}

Value::Value(int32_t t, const void* words, size_t bytes) : type(t) {
    std::memcpy(payload, words, std::min(bytes, sizeof(payload)));
}

Value Value::ofBool(bool v) {
    Value r;
    r.payload[0] = v ? 1 : 0;
    return r;
}

Value Value::ofInt(int32_t v) { return Value(Int, &v, sizeof v); }
Value Value::ofFloat(float v) { return Value(Float, &v, sizeof v); }

Value Value::ofString(std::string v) {
    Value r;
    r.type = String;
    r.text = std::move(v);
    return r;
}

Value Value::ofFloats(int32_t t, const float* v, int n) { return Value(t, v, sizeof(float) * size_t(n)); }
Value Value::ofInts(int32_t t, const int32_t* v, int n) { return Value(t, v, sizeof(int32_t) * size_t(n)); }
Value Value::ofReference(uint64_t handle) { return Value(Reference, &handle, sizeof handle); }
Value Value::ofName(int32_t t, uint32_t glName) { return Value(t, &glName, sizeof glName); }

bool Value::operator==(const Value& other) const {
    return type == other.type && text == other.text && std::memcmp(payload, other.payload, sizeof payload) == 0;
}

void Value::writeBinary(content::BinaryWriter& out) const {
    out.i32(type);
    if (type == String) out.string(text);
    else out.write(payload, sizeof payload);
}

void Value::readBinary(content::BinaryReader& in) {
    type = in.i32();
    if (type == String) text = in.string();
    else in.read(payload, sizeof payload);
}

content::Json Value::toJson(const content::JsonFiles&) const {
    content::Json j;
    j["type"] = type;
    int n = componentCount(type);
    switch (type) {
        case Bool: j["value"] = asBool(); break;
        case Int: case Texture: case Handle: case VertexArray: j["value"] = asInt(); break;
        case Float: j["value"] = double(asFloat()); break;
        case String: j["value"] = text; break;
        case Vec2: case Vec3: case Vec4: case Mat2: case Mat3: case Mat4: {
            content::Json a = content::Json::array();
            for (int i = 0; i < n; ++i) a.push_back(double(floatAt(i)));
            j["value"] = a;
            break;
        }
        case IVec2: case IVec3: case IVec4: {
            content::Json a = content::Json::array();
            for (int i = 0; i < n; ++i) a.push_back(intAt(i));
            j["value"] = a;
            break;
        }
        case Reference: j["value"] = int32_t(uint32_t(asReference())); break;
        default: break;
    }
    return j;
}

void Value::fromJson(const content::Json& json, const content::JsonFiles&) {
    using namespace content;
    type = int32_t(jsonInt(json, "type"));
    if (type < 0 || type > Reference) return;
    std::memset(payload, 0, sizeof payload);
    text.clear();
    const Json null;
    const Json& v = jsonHas(json, "value") ? json["value"] : null;
    int n = componentCount(type);
    auto element = [&](int i) -> const Json& { return v.is_array() && size_t(i) < v.size() ? v[size_t(i)] : null; };
    switch (type) {
        case Bool: payload[0] = v.is_boolean() && v.get<bool>(); break;
        case Int: case Texture: case Handle: case VertexArray: { int32_t x = int32_t(asJsonInt(v)); std::memcpy(payload, &x, 4); break; }
        case Float: { float f = asJsonFloat(v); std::memcpy(payload, &f, 4); break; }
        case String: text = v.is_string() ? v.get<std::string>() : std::string(); break;
        case Reference: { int64_t r = asJsonInt(v); std::memcpy(payload, &r, 8); break; }
        case IVec2: case IVec3: case IVec4:
            for (int i = 0; i < n; ++i) { int32_t x = int32_t(asJsonInt(element(i))); std::memcpy(payload + 4 * i, &x, 4); }
            break;
        default:  // float vectors and matrices; a longer array is read up to the payload's size
            for (int i = 0; i < n; ++i) { float x = asJsonFloat(element(i)); std::memcpy(payload + 4 * i, &x, 4); }
            break;
    }
}

void MaybeValue::writeBinary(content::BinaryWriter& out) const {
    out.boolean(hasValue);
    if (hasValue) value.writeBinary(out);
}

void MaybeValue::readBinary(content::BinaryReader& in) {
    hasValue = in.boolean();
    if (hasValue) value.readBinary(in);
}

content::Json MaybeValue::toJson(const content::JsonFiles& files) const {
    content::Json j;
    j["hasValue"] = hasValue;
    if (hasValue) j["value"] = value.toJson(files);
    return j;
}

void MaybeValue::fromJson(const content::Json& json, const content::JsonFiles& files) {
    hasValue = content::jsonBool(json, "hasValue");
    if (hasValue && content::jsonHas(json, "value")) value.fromJson(json["value"], files);
}

}  // namespace values
