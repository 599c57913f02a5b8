// Handles for reference values (type code 16). A reference never holds an address: it holds a
// handle that is looked up here and checked for the kind of record it must name, so a forged or
// stale handle resolves to null instead of to memory.
#pragma once
#include <cstdint>

namespace values {

class Registry {
public:
    template <class T>
    static uint64_t add(T* record) { return addRaw(record, kindOf<T>()); }

    template <class T>
    static T* resolve(uint64_t handle) { return static_cast<T*>(resolveRaw(handle, kindOf<T>())); }

    // Makes a handle stale; later lookups of it give null even when its slot is reused.
    static void remove(uint64_t handle);

private:
    template <class T>
    static const void* kindOf() {
        static const char tag = 0;
        return &tag;
    }
    static uint64_t addRaw(void* record, const void* kind);
    static void* resolveRaw(uint64_t handle, const void* kind);
};

}  // namespace values
