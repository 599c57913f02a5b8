#include "content/Registry.h"

#include <vector>

namespace values {
namespace {

struct Slot {
    void* record = nullptr;
    const void* kind = nullptr;
    uint32_t generation = 0;
};

// Only the main thread makes and resolves references, so the table needs no lock.
std::vector<Slot>& slots() {
    static std::vector<Slot> table;
    return table;
}

std::vector<uint32_t>& freeSlots() {
    static std::vector<uint32_t> list;
    return list;
}

}  // namespace

// Handle layout: low 32 bits slot index + 1, high 32 bits the slot's generation (from 1).
uint64_t Registry::addRaw(void* record, const void* kind) {
    if (!record) return 0;
    std::vector<Slot>& table = slots();
    uint32_t index;
    if (!freeSlots().empty()) {
        index = freeSlots().back();
        freeSlots().pop_back();
    } else {
        index = uint32_t(table.size());
        table.push_back({});
    }
    Slot& s = table[index];
    s.record = record;
    s.kind = kind;
    s.generation += 1;
    return (uint64_t(s.generation) << 32) | (uint64_t(index) + 1);
}

void* Registry::resolveRaw(uint64_t handle, const void* kind) {
    uint64_t index = (handle & 0xffffffffu);
    uint32_t generation = uint32_t(handle >> 32);
    std::vector<Slot>& table = slots();
    if (index == 0 || index > table.size()) return nullptr;
    const Slot& s = table[index - 1];
    if (!s.record || s.generation != generation || s.kind != kind) return nullptr;
    return s.record;
}

void Registry::remove(uint64_t handle) {
    uint64_t index = (handle & 0xffffffffu);
    std::vector<Slot>& table = slots();
    if (index == 0 || index > table.size()) return;
    Slot& s = table[index - 1];
    if (s.generation != uint32_t(handle >> 32) || !s.record) return;
    s.record = nullptr;
    s.kind = nullptr;
    freeSlots().push_back(uint32_t(index - 1));
}

}  // namespace values
