#include <math.h>

#include <functional>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "scripting/Natives.h"
#include "scripting/ScriptEngine.h"

using scripting::NativeRow;
using scripting::ScriptEngine;

namespace {

using Floats = std::vector<float>;

// Evaluates an expression in the engine and gives it as JSON text (NaN shows as null), or the
// error's name when it throws.
// Calls from here bypass the engine's entry points, which start each call's instruction budget.
duk_context* freshContext() {
    ScriptEngine::startBudget();
    return ScriptEngine::instance().context;
}

std::string evaluate(const std::string& expression) {
    duk_context* ctx = freshContext();
    const std::string code = "(function () { try { return JSON.stringify(" + expression +
                             "); } catch (e) { return e.name; } })()";
    if (duk_peval_lstring(ctx, code.data(), code.size()) != 0) return "eval failed";
    std::string text = duk_safe_to_string(ctx, -1);
    duk_pop(ctx);
    return text;
}

// The result of name(args) as floats: a number, a boolean (1 or 0) or the elements of an array.
Floats call(const std::string& name, const std::string& args) {
    duk_context* ctx = freshContext();
    const std::string code = name + "(" + args + ")";
    EXPECT_EQ(duk_peval_lstring(ctx, code.data(), code.size()), 0) << code;
    Floats out;
    if (duk_is_array(ctx, -1)) {
        for (duk_size_t i = 0; i < duk_get_length(ctx, -1); ++i) {
            duk_get_prop_index(ctx, -1, duk_uarridx_t(i));
            out.push_back(float(duk_get_number(ctx, -1)));
            duk_pop(ctx);
        }
    } else {
        out.push_back(duk_is_boolean(ctx, -1) ? float(duk_get_boolean(ctx, -1)) : float(duk_get_number(ctx, -1)));
    }
    duk_pop(ctx);
    return out;
}

// Reference computations, written from the formulas, on n components; a scalar argument is c[0]
// or b[0] as the native declares it.
using Ref = std::function<Floats(const Floats& a, const Floats& b, const Floats& c, int n)>;

Ref each(float (*f)(float)) {
    return [f](const Floats& a, const Floats&, const Floats&, int n) {
        Floats r(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) r[size_t(i)] = f(a[size_t(i)]);
        return r;
    };
}
Ref pairwise(std::function<float(float, float)> f, bool scalarB = false) {
    return [f, scalarB](const Floats& a, const Floats& b, const Floats&, int n) {
        Floats r(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) r[size_t(i)] = f(a[size_t(i)], b[scalarB ? 0 : size_t(i)]);
        return r;
    };
}
float dotOf(const Floats& a, const Floats& b, int n) {
    float s = 0;
    for (int i = 0; i < n; ++i) s += a[size_t(i)] * b[size_t(i)];
    return s;
}
Floats scaled(const Floats& v, float s, int n) {
    Floats r(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) r[size_t(i)] = v[size_t(i)] * s;
    return r;
}
int orderOf(int components) { return components == 4 ? 2 : components == 9 ? 3 : 4; }

const std::map<std::string, Ref>& references() {
    static const std::map<std::string, Ref> refs = {
        {"smoothstep", [](const Floats& e0, const Floats& e1, const Floats& x, int n) {
             Floats r(static_cast<size_t>(n));
             for (size_t i = 0; i < size_t(n); ++i) {
                 float t = fminf(fmaxf((x[i] - e0[i]) / (e1[i] - e0[i]), 0.0f), 1.0f);
                 r[i] = t * t * (3 - 2 * t);
             }
             return r;
         }},
        {"mix", [](const Floats& x, const Floats& y, const Floats& a, int n) {
             Floats r(static_cast<size_t>(n));
             for (size_t i = 0; i < size_t(n); ++i) r[i] = (1 - a[0]) * x[i] + a[0] * y[i];
             return r;
         }},
        {"clamp", [](const Floats& x, const Floats& lo, const Floats& hi, int n) {
             Floats r(static_cast<size_t>(n));
             for (size_t i = 0; i < size_t(n); ++i) r[i] = fminf(fmaxf(x[i], lo[i]), hi[i]);
             return r;
         }},
        {"mul2", [](const Floats& a, const Floats& b, const Floats&, int n) {  // matrix product, column-major
             const int k = orderOf(n);
             Floats r(size_t(n), 0.0f);
             for (int col = 0; col < k; ++col)
                 for (int row = 0; row < k; ++row)
                     for (int j = 0; j < k; ++j) r[size_t(col * k + row)] += a[size_t(j * k + row)] * b[size_t(col * k + j)];
             return r;
         }},
        {"vmul2", [](const Floats& m, const Floats& v, const Floats&, int n) {
             const int k = orderOf(n);
             Floats r(size_t(k), 0.0f);
             for (int row = 0; row < k; ++row)
                 for (int j = 0; j < k; ++j) r[size_t(row)] += m[size_t(j * k + row)] * v[size_t(j)];
             return r;
         }},
        {"add", pairwise([](float x, float y) { return x + y; })},
        {"sub", pairwise([](float x, float y) { return x - y; })},
        {"mul", pairwise([](float x, float y) { return x * y; })},
        {"div", pairwise([](float x, float y) { return x / y; })},
        {"adds", pairwise([](float x, float y) { return x + y; }, true)},
        {"subs", pairwise([](float x, float y) { return x - y; }, true)},
        {"muls", pairwise([](float x, float y) { return x * y; }, true)},
        {"divs", pairwise([](float x, float y) { return x / y; }, true)},
        {"dot", [](const Floats& a, const Floats& b, const Floats&, int n) { return Floats{dotOf(a, b, n)}; }},
        {"cross", [](const Floats& a, const Floats& b, const Floats&, int) {
             return Floats{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
         }},
        {"acos", each(acosf)}, {"acosh", each(acoshf)}, {"asin", each(asinf)}, {"asinh", each(asinhf)},
        {"atan", each(atanf)}, {"atanh", each(atanhf)}, {"cos", each(cosf)}, {"cosh", each(coshf)},
        {"sin", each(sinf)}, {"sinh", each(sinhf)}, {"tan", each(tanf)}, {"tanh", each(tanhf)},
        {"exp", each(expf)}, {"exp2", each(exp2f)}, {"log", each(logf)}, {"log2", each(log2f)},
        {"sqrt", each(sqrtf)}, {"inversesqrt", each([](float x) { return 1 / sqrtf(x); })},
        {"abs", each(fabsf)}, {"ceil", each(ceilf)}, {"floor", each(floorf)}, {"round", each(roundf)},
        {"roundEven", each([](float x) { return x - floorf(x) == 0.5f ? 2 * roundf(x / 2) : roundf(x); })},
        {"trunc", each(truncf)},
        {"sign", each([](float x) { return x > 0 ? 1.0f : x < 0 ? -1.0f : 0.0f; })},
        {"fract", each([](float x) { return x - floorf(x); })},
        {"degrees", each([](float x) { return x * 57.29578f; })},
        {"radians", each([](float x) { return x * 0.017453292f; })},
        {"isinf", each([](float x) { return isinf(x) ? 1.0f : 0.0f; })},
        {"isnan", each([](float x) { return isnan(x) ? 1.0f : 0.0f; })},
        {"min", pairwise([](float x, float y) { return fminf(x, y); })},
        {"max", pairwise([](float x, float y) { return fmaxf(x, y); })},
        {"mod", pairwise([](float x, float y) { return x - y * floorf(x / y); })},
        {"pow", pairwise(powf)},
        {"step", pairwise([](float edge, float x) { return x < edge ? 0.0f : 1.0f; })},
        {"length", [](const Floats& a, const Floats&, const Floats&, int n) { return Floats{sqrtf(dotOf(a, a, n))}; }},
        {"normalize", [](const Floats& a, const Floats&, const Floats&, int n) {
             return scaled(a, 1 / sqrtf(dotOf(a, a, n)), n);
         }},
        {"distance", [](const Floats& a, const Floats& b, const Floats&, int n) {
             Floats d(static_cast<size_t>(n));
             for (size_t i = 0; i < size_t(n); ++i) d[i] = a[i] - b[i];
             return Floats{sqrtf(dotOf(d, d, n))};
         }},
        {"reflect", [](const Floats& i, const Floats& nn, const Floats&, int n) {
             Floats r = scaled(nn, 2 * dotOf(nn, i, n), n);
             for (size_t k = 0; k < size_t(n); ++k) r[k] = i[k] - r[k];
             return r;
         }},
        {"refract", [](const Floats& i, const Floats& nn, const Floats& eta, int n) {
             const float d = dotOf(nn, i, n), e = eta[0];
             const float k = 1 - e * e * (1 - d * d);
             Floats r(size_t(n), 0.0f);
             if (k >= 0)
                 for (size_t j = 0; j < size_t(n); ++j) r[j] = e * i[j] - (e * d + sqrtf(k)) * nn[j];
             return r;
         }},
        {"faceforward", [](const Floats& nn, const Floats& i, const Floats& ref, int n) {
             return scaled(nn, dotOf(ref, i, n) < 0 ? 1.0f : -1.0f, n);
         }},
    };
    return refs;
}

// The family a registered name belongs to: the scalar forms are the family's name; the others
// drop their size digit ("sin3" -> "sin", "add3s" -> "adds", "mul33" -> "mul3", "exp23" -> "exp2").
std::string familyOf(const NativeRow& row) {
    std::string name = row.name;
    if (row.args[0] == values::Float) return name;
    const size_t digit = name.back() == 's' ? name.size() - 2 : name.size() - 1;
    name.erase(digit, 1);
    if (row.args[0] >= values::Mat2) name.back() = '2';  // one reference per matrix family
    return name;
}

int componentsOf(int32_t type) { return type == values::Float ? 1 : values::componentCount(type); }

std::string arrayText(const Floats& v, int n) {
    std::string text = n == 1 ? "" : "[";
    for (int i = 0; i < n; ++i) text += (i ? ", " : "") + std::to_string(v[size_t(i)]);
    return n == 1 ? text : text + "]";
}

bool same(float x, float y) { return (isnan(x) && isnan(y)) || x == y || fabsf(x - y) <= 1e-6f * fabsf(y); }

}  // namespace

TEST(ScriptNatives, EveryNativeMatchesItsSinglePrecisionFormula) {
    // Halves for the rounding functions, negative operands for mod, values in and out of domains.
    const Floats pools[][3] = {
        {{0.3f, -0.7f, 0.45f, 2.5f, 1, 0, 0, 0, 1, 0.5f, 0.25f, -1, 3, 2, 1, 0.125f},
         {1.5f, -2.5f, 0.9f, 3, -1, 2, 0.5f, 4, 0, 1, -1, 2, 0.75f, 1, 2, 3},
         {0.6f, 0.2f, -0.3f, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{-1.5f, 3.5f, -2.5f, -0.25f, 2, 1, 0, 3, -1, 4, 5, 6, 7, 8, 9, 10},
         {3, 0.5f, -2, 0.7f, 1, 0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8},
         {2, 1, 0.25f, -4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    EXPECT_EQ(scripting::nativeRowCount(), 198);
    const NativeRow* rows = scripting::nativeRows();
    std::map<std::string, int> lastRegistration;
    for (int r = 0; r < scripting::nativeRowCount(); ++r) lastRegistration[rows[r].name] = r;
    for (int r = 0; r < scripting::nativeRowCount(); ++r) {
        const NativeRow& row = rows[r];
        if (lastRegistration[row.name] != r) continue;  // replaced by a later registration
        auto ref = references().find(familyOf(row));
        ASSERT_NE(ref, references().end()) << row.name;
        for (const auto& pool : pools) {
            std::string args;
            for (int i = 0; i < row.argc; ++i) args += (i ? ", " : "") + arrayText(pool[i], componentsOf(row.args[i]));
            // Arguments cross as their text; the reference reads them back the same way.
            Floats parsed[3];
            for (int i = 0; i < 3; ++i)
                for (float v : pool[i]) parsed[i].push_back(std::stof(std::to_string(v)));
            const Floats expected = ref->second(parsed[0], parsed[1], parsed[2], componentsOf(row.args[0]));
            const Floats got = call(row.name, args);
            ASSERT_EQ(got.size(), expected.size()) << row.name << "(" << args << ")";
            for (size_t i = 0; i < got.size(); ++i)
                EXPECT_TRUE(same(got[i], expected[i]))
                    << row.name << "(" << args << ")[" << i << "] = " << got[i] << ", expected " << expected[i];
        }
    }
}

TEST(ScriptNatives, ConventionsAndLaterRegistrations) {
    const std::pair<const char*, const char*> cases[] = {
        {"exp2(3)", "8"},
        {"log2(8)", "3"},
        {"exp2([1, 2])", "null"},  // the scalar exp2 replaced the vec2 exp
        {"atan2([1, 1]).map(function (v) { return Math.abs(v - 0.7853982) < 1e-6; })", "[true,true]"},
        {"[sign(-0.5), sign(0), step(1, 0.5), step(1, 1), mod(-1, 3)]", "[-1,0,0,1,2]"},
        {"[round(2.5), round(-2.5), roundEven(2.5), roundEven(3.5), roundEven(-2.5)]", "[3,-3,2,4,-2]"},
        {"mul22([1, 0, 0, 1], [5, 6, 7, 8])", "[5,6,7,8]"},
        {"mul22([1, 2, 3, 4], [5, 6, 7, 8])", "[23,34,31,46]"},
        {"vmul22([0, 1, -1, 0], [1, 0])", "[0,1]"},
        {"smoothstep2([0, 0], [1, 1], [0.5, 2])", "[0.5,1]"},
        {"refract3([1, 0, 0], [0, 1, 0], 2)", "[0,0,0]"},
        {"faceforward3([0, 0, 1], [0, 0, 1], [0, 0, 1])", "[0,0,-1]"},
        {"sin2(5)", "[null,null]"},
        {"sin2()", "TypeError"},
        {"add3(null, [1, 2, 3])", "TypeError"},
        {"sin3([1])", "[0.8414709568023682,null,null]"},
        // Elements not held in an array's own storage are read as properties: array-likes, gaps
        // filled from the prototype, and a getter that empties the array while it is read.
        {"add2({0: 1, 1: 2}, [1, 1])", "[2,3]"},
        {"(function () { Array.prototype[1] = 2; var r = add2([1, , ], [0, 0]); delete Array.prototype[1];"
         " return r; })()", "[1,2]"},
        {"(function () { var a = [1, , 3]; Object.defineProperty(Array.prototype, 1, {configurable: true,"
         " get: function () { a.length = 0; return 7; }}); var r = add3(a, [0, 0, 0]);"
         " delete Array.prototype[1]; return r; })()", "[1,7,null]"},
        {"[isnan(NaN), isinf(1 / 0), isinf(-1 / 0), typeof isnan(0)]", "[true,true,true,\"boolean\"]"},
        {"sin.length + mix3.length", "4"},
    };
    for (const auto& [expression, expected] : cases) EXPECT_EQ(evaluate(expression), expected) << expression;
}
