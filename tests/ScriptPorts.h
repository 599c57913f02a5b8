// A script's input or output as the script tests and the script fuzzer declare it.
#pragma once
#include "scripting/Script.h"

inline ScriptPort makePort(int32_t type, const char* name) {
    ScriptPort p;
    p.type = type;
    p.name = name;
    return p;
}
