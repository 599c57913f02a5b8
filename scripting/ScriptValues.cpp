#include "scripting/ScriptValues.h"

#include <cmath>
#include <cstring>

namespace scripting {
namespace {

using namespace values;

constexpr double kTwo63 = 9223372036854775808.0;
constexpr double kTwo64 = 18446744073709551616.0;

// Numbers from 2^63 up go through the upper half, where a signed conversion would overflow.
// Negative numbers and NaN name no handle and give 0; numbers past the range give the maximum.
uint64_t readHandle(duk_context* ctx, duk_idx_t index) {
    const double d = duk_get_number(ctx, index);
    if (!(d > 0)) return 0;
    if (d >= kTwo64) return UINT64_MAX;
    if (d >= kTwo63) return uint64_t(d - kTwo63) | (uint64_t(1) << 63);
    return uint64_t(d);
}

// Elements 0 to n-1 read by index, each through `read`.
template <class T>
void readElements(duk_context* ctx, duk_idx_t index, T* out, int n, T (*read)(duk_context*, duk_idx_t)) {
    for (int i = 0; i < n; ++i) {
        duk_get_prop_index(ctx, index, duk_uarridx_t(i));
        out[i] = read(ctx, -1);
        duk_pop(ctx);
    }
}

// A new array of n numbers.
template <class T>
void pushElements(duk_context* ctx, const T* v, int n) {
    double numbers[16];
    for (int i = 0; i < n; ++i) numbers[i] = double(v[i]);
    demo_script_push_numbers(ctx, numbers, unsigned(n));
}

// Elements checked in index order, stopping at the first that is not a number.
bool leadingNumbers(duk_context* ctx, duk_idx_t index, int n) {
    if (!duk_is_array(ctx, index)) return false;
    for (int i = 0; i < n; ++i) {
        duk_get_prop_index(ctx, index, duk_uarridx_t(i));
        const bool number = duk_is_number(ctx, -1);
        duk_pop(ctx);
        if (!number) return false;
    }
    return true;
}

}  // namespace

void assignCut(std::string& out, const char* text, size_t length, size_t limit) {
    if (length <= limit) {
        out.assign(text, length);
        return;
    }
    static const std::string mark = " [cut]";
    size_t keep = limit > mark.size() ? limit - mark.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xc0) == 0x80) --keep;  // a character's middle
    out.assign(text, keep);
    out += mark;
}

float readNumber(duk_context* ctx, duk_idx_t index) {
    return duk_is_number(ctx, index) ? float(duk_get_number(ctx, index)) : NAN;
}

int32_t readInt(duk_context* ctx, duk_idx_t index) {
    if (!duk_is_number(ctx, index)) return 0;
    const double d = std::trunc(duk_get_number(ctx, index));
    if (std::isnan(d)) return 0;
    if (d <= double(INT32_MIN)) return INT32_MIN;
    if (d >= double(INT32_MAX)) return INT32_MAX;
    return int32_t(d);
}

void readFloats(duk_context* ctx, duk_idx_t index, float* out, int n) {
    double numbers[16];
    demo_script_read_numbers(ctx, index, numbers, unsigned(n));
    for (int i = 0; i < n; ++i) out[i] = float(numbers[i]);
}

void pushFloats(duk_context* ctx, const float* v, int n) { pushElements(ctx, v, n); }

void pushValue(duk_context* ctx, const Value& value) {
    const int n = componentCount(value.type);
    switch (value.type) {
        case Bool: duk_push_boolean(ctx, value.asBool()); return;
        case Int: case values::Texture: case Handle: case VertexArray: duk_push_int(ctx, value.asInt()); return;
        case Float: duk_push_number(ctx, value.asFloat()); return;
        case String: duk_push_lstring(ctx, value.text.data(), value.text.size()); return;
        case Vec2: case Vec3: case Vec4: case Mat2: case Mat3: case Mat4: {
            float v[16];
            std::memcpy(v, value.payload, sizeof(float) * size_t(n));
            pushFloats(ctx, v, n);
            return;
        }
        case IVec2: case IVec3: case IVec4: {
            int32_t v[4];
            std::memcpy(v, value.payload, sizeof(int32_t) * size_t(n));
            pushElements(ctx, v, n);
            return;
        }
        case Reference: duk_push_number(ctx, double(value.asReference())); return;
        default: duk_push_undefined(ctx); return;
    }
}

void readValue(duk_context* ctx, duk_idx_t index, int32_t type, Value& out) {
    std::memset(out.payload, 0, sizeof out.payload);
    out.text.clear();
    out.type = type;
    const int n = componentCount(type);
    switch (type) {
        case Bool: out.payload[0] = duk_is_boolean(ctx, index) && duk_get_boolean(ctx, index); return;
        case Int: case values::Texture: case Handle: case VertexArray: {
            const int32_t v = readInt(ctx, index);
            std::memcpy(out.payload, &v, sizeof v);
            return;
        }
        case Float: {
            const float v = readNumber(ctx, index);
            std::memcpy(out.payload, &v, sizeof v);
            return;
        }
        case String: {
            duk_size_t length = 0;
            const char* text = duk_get_lstring(ctx, index, &length);
            if (text) assignCut(out.text, text, length, kStringOutputLimit);
            return;
        }
        case Vec2: case Vec3: case Vec4: case Mat2: case Mat3: case Mat4: {
            float v[16];
            readFloats(ctx, index, v, n);
            std::memcpy(out.payload, v, sizeof(float) * size_t(n));
            return;
        }
        case IVec2: case IVec3: case IVec4: {
            int32_t v[4];
            readElements(ctx, index, v, n, readInt);
            std::memcpy(out.payload, v, sizeof(int32_t) * size_t(n));
            return;
        }
        case Reference: {
            const uint64_t v = readHandle(ctx, index);
            std::memcpy(out.payload, &v, sizeof v);
            return;
        }
        default: out.type = Bool; return;
    }
}

bool hasOutputForm(duk_context* ctx, duk_idx_t index, int32_t type) {
    switch (type) {
        case Bool: return duk_is_boolean(ctx, index);
        case String: return duk_is_string(ctx, index);
        case Vec2: case IVec2: return leadingNumbers(ctx, index, 2);
        case Vec3: case IVec3: return leadingNumbers(ctx, index, 3);
        case Vec4: case IVec4: case Mat2: return leadingNumbers(ctx, index, 4);
        case Mat3: return leadingNumbers(ctx, index, 9);
        case Mat4: return leadingNumbers(ctx, index, 16);
        default: return duk_is_number(ctx, index);
    }
}

}  // namespace scripting
