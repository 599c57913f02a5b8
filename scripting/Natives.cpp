#include "scripting/Natives.h"

#include <math.h>

#include <vector>

#include "content/Value.h"
#include "scripting/ScriptValues.h"

namespace scripting {
namespace {

using values::Bool;
using values::Float;

// ---- kernels, in single precision; n components of T ----

template <float (*F)(float)>
void unary(const Operands& in, float* out) {
    for (int i = 0; i < in.n; ++i) out[i] = F(in.a[i]);
}
template <float (*F)(float, float)>
void binary(const Operands& in, float* out) {
    for (int i = 0; i < in.n; ++i) out[i] = F(in.a[i], in.b[i]);
}
template <float (*F)(float, float)>
void withScalar(const Operands& in, float* out) {
    for (int i = 0; i < in.n; ++i) out[i] = F(in.a[i], in.b[0]);
}

float add(float x, float y) { return x + y; }
float sub(float x, float y) { return x - y; }
float mul(float x, float y) { return x * y; }
float quotient(float x, float y) { return x / y; }
float minimum(float x, float y) { return y < x ? y : x; }
float maximum(float x, float y) { return x < y ? y : x; }
float modulo(float x, float y) { return x - y * floorf(x / y); }
float step(float edge, float x) { return edge > x ? 0.0f : 1.0f; }
float inverseSqrt(float x) { return 1.0f / sqrtf(x); }
float roundEven(float x) { return nearbyintf(x); }  // the default rounding mode ties to even
float sign(float x) { return float((x > 0) - (x < 0)); }
float fract(float x) { return x - floorf(x); }
float degrees(float x) { return x * 57.29578f; }
float radians(float x) { return x * 0.017453292f; }

void smoothstep(const Operands& in, float* out) {
    for (int i = 0; i < in.n; ++i) {
        float t = (in.c[i] - in.a[i]) / (in.b[i] - in.a[i]);
        t = minimum(maximum(t, 0.0f), 1.0f);
        out[i] = t * t * (3.0f - 2.0f * t);
    }
}
void mix(const Operands& in, float* out) {
    const float a = in.c[0];
    for (int i = 0; i < in.n; ++i) out[i] = (1.0f - a) * in.a[i] + a * in.b[i];
}
void clamp(const Operands& in, float* out) {
    for (int i = 0; i < in.n; ++i) out[i] = minimum(maximum(in.a[i], in.b[i]), in.c[i]);
}

int order(int components) { return components == 4 ? 2 : components == 9 ? 3 : 4; }

// Column-major: element (row r, column c) of an order-k matrix is at c * k + r.
void matrixProduct(const Operands& in, float* out) {
    const int k = order(in.n);
    for (int c = 0; c < k; ++c)
        for (int r = 0; r < k; ++r) {
            float sum = 0.0f;
            for (int j = 0; j < k; ++j) sum += in.a[j * k + r] * in.b[c * k + j];
            out[c * k + r] = sum;
        }
}
void matrixTimesVector(const Operands& in, float* out) {
    const int k = order(in.n);
    for (int r = 0; r < k; ++r) {
        float sum = 0.0f;
        for (int j = 0; j < k; ++j) sum += in.a[j * k + r] * in.b[j];
        out[r] = sum;
    }
}

float dotOf(const float* x, const float* y, int n) {
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) sum += x[i] * y[i];
    return sum;
}
void dot(const Operands& in, float* out) { out[0] = dotOf(in.a, in.b, in.n); }
void length(const Operands& in, float* out) { out[0] = sqrtf(dotOf(in.a, in.a, in.n)); }
void normalize(const Operands& in, float* out) {
    const float l = sqrtf(dotOf(in.a, in.a, in.n));
    for (int i = 0; i < in.n; ++i) out[i] = in.a[i] / l;
}
void distance(const Operands& in, float* out) {
    float d[4];
    for (int i = 0; i < in.n; ++i) d[i] = in.a[i] - in.b[i];
    out[0] = sqrtf(dotOf(d, d, in.n));
}
void cross(const Operands& in, float* out) {
    const float* a = in.a;
    const float* b = in.b;
    out[0] = a[1] * b[2] - b[1] * a[2];
    out[1] = a[2] * b[0] - b[2] * a[0];
    out[2] = a[0] * b[1] - b[0] * a[1];
}
// Arguments I, N.
void reflect(const Operands& in, float* out) {
    const float d = dotOf(in.b, in.a, in.n);
    for (int i = 0; i < in.n; ++i) out[i] = in.a[i] - 2.0f * d * in.b[i];
}
// Arguments I, N, eta.
void refract(const Operands& in, float* out) {
    const float eta = in.c[0];
    const float d = dotOf(in.b, in.a, in.n);
    const float k = 1.0f - eta * eta * (1.0f - d * d);
    for (int i = 0; i < in.n; ++i) out[i] = k < 0.0f ? 0.0f : eta * in.a[i] - (eta * d + sqrtf(k)) * in.b[i];
}
// Arguments N, I, Nref.
void faceforward(const Operands& in, float* out) {
    const bool facing = dotOf(in.c, in.b, in.n) < 0.0f;
    for (int i = 0; i < in.n; ++i) out[i] = facing ? in.a[i] : -in.a[i];
}
void isInf(const Operands& in, float* out) { out[0] = fabsf(in.a[0]) >= INFINITY ? 1.0f : 0.0f; }
void isNan(const Operands& in, float* out) { out[0] = in.a[0] != in.a[0] ? 1.0f : 0.0f; }

// ---- the table ----

// How a family's arguments and result depend on its operand size s (1 for the scalar form):
// T is a float for s = 1 and a vecs otherwise, M a mats.
enum class Shape { T_T, TT_T, TTT_T, TTf_T, Tf_T, TT_f, T_f, MM_M, MV_V, f_b };

struct Family {
    const char* names[4];  // operand size 1, 2, 3, 4; null where the family has no such form
    Shape shape;
    Kernel kernel;
};

#define SIZES(base) {base, base "2", base "3", base "4"}
#define VECTORS(prefix, suffix) {nullptr, prefix "2" suffix, prefix "3" suffix, prefix "4" suffix}

const Family kFamilies[] = {
    {SIZES("smoothstep"), Shape::TTT_T, smoothstep},
    {SIZES("mix"), Shape::TTf_T, mix},
    {SIZES("clamp"), Shape::TTT_T, clamp},
    {{nullptr, "mul22", "mul33", "mul44"}, Shape::MM_M, matrixProduct},
    {{nullptr, "vmul22", "vmul33", "vmul44"}, Shape::MV_V, matrixTimesVector},
    {VECTORS("add", ""), Shape::TT_T, binary<add>},
    {VECTORS("sub", ""), Shape::TT_T, binary<sub>},
    {VECTORS("mul", ""), Shape::TT_T, binary<mul>},
    {VECTORS("div", ""), Shape::TT_T, binary<quotient>},
    {VECTORS("add", "s"), Shape::Tf_T, withScalar<add>},
    {VECTORS("sub", "s"), Shape::Tf_T, withScalar<sub>},
    {VECTORS("mul", "s"), Shape::Tf_T, withScalar<mul>},
    {VECTORS("div", "s"), Shape::Tf_T, withScalar<quotient>},
    {VECTORS("dot", ""), Shape::TT_f, dot},
    {{nullptr, nullptr, "cross3", nullptr}, Shape::TT_T, cross},
    {SIZES("acos"), Shape::T_T, unary<acosf>},
    {SIZES("acosh"), Shape::T_T, unary<acoshf>},
    {SIZES("asin"), Shape::T_T, unary<asinf>},
    {SIZES("asinh"), Shape::T_T, unary<asinhf>},
    {SIZES("atan"), Shape::T_T, unary<atanf>},  // atan2 is the vec2 form, not the two-argument one
    {SIZES("atanh"), Shape::T_T, unary<atanhf>},
    {SIZES("cos"), Shape::T_T, unary<cosf>},
    {SIZES("cosh"), Shape::T_T, unary<coshf>},
    {SIZES("sin"), Shape::T_T, unary<sinf>},
    {SIZES("sinh"), Shape::T_T, unary<sinhf>},
    {SIZES("tan"), Shape::T_T, unary<tanf>},
    {SIZES("tanh"), Shape::T_T, unary<tanhf>},
    {SIZES("exp"), Shape::T_T, unary<expf>},
    {SIZES("exp2"), Shape::T_T, unary<exp2f>},  // its exp2 replaces the vec2 exp above
    {SIZES("log"), Shape::T_T, unary<logf>},
    {SIZES("log2"), Shape::T_T, unary<log2f>},  // likewise log2
    {SIZES("sqrt"), Shape::T_T, unary<sqrtf>},
    {SIZES("inversesqrt"), Shape::T_T, unary<inverseSqrt>},
    {SIZES("abs"), Shape::T_T, unary<fabsf>},
    {SIZES("ceil"), Shape::T_T, unary<ceilf>},
    {SIZES("floor"), Shape::T_T, unary<floorf>},
    {SIZES("round"), Shape::T_T, unary<roundf>},
    {SIZES("roundEven"), Shape::T_T, unary<roundEven>},
    {SIZES("trunc"), Shape::T_T, unary<truncf>},
    {SIZES("sign"), Shape::T_T, unary<sign>},
    {SIZES("fract"), Shape::T_T, unary<fract>},
    {SIZES("degrees"), Shape::T_T, unary<degrees>},
    {SIZES("radians"), Shape::T_T, unary<radians>},
    {{"isinf", nullptr, nullptr, nullptr}, Shape::f_b, isInf},
    {{"isnan", nullptr, nullptr, nullptr}, Shape::f_b, isNan},
    {SIZES("min"), Shape::TT_T, binary<minimum>},
    {SIZES("max"), Shape::TT_T, binary<maximum>},
    {SIZES("mod"), Shape::TT_T, binary<modulo>},
    {SIZES("pow"), Shape::TT_T, binary<powf>},
    {SIZES("step"), Shape::TT_T, binary<step>},
    {VECTORS("length", ""), Shape::T_f, length},
    {VECTORS("normalize", ""), Shape::T_T, normalize},
    {VECTORS("distance", ""), Shape::TT_f, distance},
    {VECTORS("reflect", ""), Shape::TT_T, reflect},
    {VECTORS("refract", ""), Shape::TTf_T, refract},
    {VECTORS("faceforward", ""), Shape::TTT_T, faceforward},
};

#undef SIZES
#undef VECTORS

NativeRow rowOf(const char* name, Shape shape, int size, Kernel kernel) {
    const int32_t t = size == 1 ? Float : values::Vec2 + size - 2;
    const int32_t m = values::Mat2 + size - 2;
    switch (shape) {
        case Shape::T_T: return {name, 1, {t}, t, kernel};
        case Shape::TT_T: return {name, 2, {t, t}, t, kernel};
        case Shape::TTT_T: return {name, 3, {t, t, t}, t, kernel};
        case Shape::TTf_T: return {name, 3, {t, t, Float}, t, kernel};
        case Shape::Tf_T: return {name, 2, {t, Float}, t, kernel};
        case Shape::TT_f: return {name, 2, {t, t}, Float, kernel};
        case Shape::T_f: return {name, 1, {t}, Float, kernel};
        case Shape::MM_M: return {name, 2, {m, m}, m, kernel};
        case Shape::MV_V: return {name, 2, {m, t}, t, kernel};
        case Shape::f_b: return {name, 1, {Float}, Bool, kernel};
    }
    return {};
}

const std::vector<NativeRow>& rows() {
    static const std::vector<NativeRow> expanded = [] {
        std::vector<NativeRow> list;
        for (const Family& family : kFamilies)
            for (int size = 1; size <= 4; ++size)
                if (const char* name = family.names[size - 1]) list.push_back(rowOf(name, family.shape, size, family.kernel));
        return list;
    }();
    return expanded;
}

int componentsOf(int32_t type) { return type == Float || type == Bool ? 1 : values::componentCount(type); }

// Converts the arguments by their declared types, computes, and pushes the declared result. A
// container argument that is undefined or null throws from inside the element read.
duk_ret_t callNative(duk_context* ctx) {
    const NativeRow& row = rows()[size_t(duk_get_current_magic(ctx))];
    Operands in;
    in.n = componentsOf(row.args[0]);
    float* operands[3] = {in.a, in.b, in.c};
    for (int i = 0; i < row.argc; ++i) {
        if (row.args[i] == Float)
            operands[i][0] = readNumber(ctx, i);
        else
            readFloats(ctx, i, operands[i], values::componentCount(row.args[i]));
    }
    float out[16];
    row.kernel(in, out);
    if (row.result == Bool)
        duk_push_boolean(ctx, out[0] != 0.0f);
    else if (row.result == Float)
        duk_push_number(ctx, out[0]);
    else
        pushFloats(ctx, out, values::componentCount(row.result));
    return 1;
}

}  // namespace

const NativeRow* nativeRows() { return rows().data(); }
int nativeRowCount() { return int(rows().size()); }

void registerNatives(duk_context* ctx) {
    for (int i = 0; i < nativeRowCount(); ++i) {
        const NativeRow& row = rows()[size_t(i)];
        duk_push_c_function(ctx, callNative, row.argc);
        duk_set_magic(ctx, -1, i);
        duk_put_global_string(ctx, row.name);
    }
}

}  // namespace scripting
