// The math library scripts call: GLSL's built-in functions on numbers, vectors and column-major
// matrices, one global native per operand size (sin2 works on a vec2, mul33 on two mat3).
#pragma once
#include <duktape.h>

#include <cstdint>

namespace scripting {

// What one native computes on its converted arguments: a[], b[], c[] hold argument 0, 1 and 2
// (a scalar in element 0), n the component count of the first argument (1 for a scalar); the
// result goes to out.
struct Operands {
    float a[16], b[16], c[16];
    int n;
};
using Kernel = void (*)(const Operands& in, float* out);

struct NativeRow {
    const char* name;
    int argc;
    int32_t args[3];
    int32_t result;
    Kernel kernel;
};

// The library in registration order; a later row under an earlier row's name replaces it.
const NativeRow* nativeRows();
int nativeRowCount();

// Stores every native as a global function, in table order.
void registerNatives(duk_context* ctx);

}  // namespace scripting
