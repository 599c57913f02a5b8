// Conversions between typed values and script values on the interpreter's stack, used for script
// arguments and results and for the arguments and results of the native library.
#pragma once
#include <duktape.h>

#include <string>

#include "content/Value.h"

namespace scripting {

// String outputs longer than this are cut (a scroller's text fits many times over).
constexpr size_t kStringOutputLimit = size_t(64) << 10;

// Stores the text in out, cut to at most `limit` bytes at a character boundary with the cut marked.
void assignCut(std::string& out, const char* text, size_t length, size_t limit);

// A script number, or NaN for anything else.
float readNumber(duk_context* ctx, duk_idx_t index);
// A script number truncated toward zero and clamped to 32 bits; 0 for NaN and non-numbers.
int32_t readInt(duk_context* ctx, duk_idx_t index);
// Elements 0 to n-1 of the array at index, each by number read. Undefined or null in place of
// the array raises the interpreter's type error.
void readFloats(duk_context* ctx, duk_idx_t index, float* out, int n);

// Pushes a new array of n numbers.
void pushFloats(duk_context* ctx, const float* v, int n);

// Pushes one value; type codes outside the known ones push undefined.
void pushValue(duk_context* ctx, const values::Value& value);
// Builds a value of the given type code from the script value at index (into out, whose text
// storage is reused); strings are cut to kStringOutputLimit. Unknown type codes give a false bool.
void readValue(duk_context* ctx, duk_idx_t index, int32_t type, values::Value& out);
// Whether the script value at index has the form an output of this type accepts: a boolean,
// a string, an array whose first elements are numbers, or a number.
bool hasOutputForm(duk_context* ctx, duk_idx_t index, int32_t type);

}  // namespace scripting
