// Reading node inputs and state slots: items of the show picked by an index input, GL names,
// and objects a slot holds by registry handle (a type-16 value never holds an address).
#pragma once
#include <memory>
#include <vector>

#include "content/Registry.h"
#include "content/Value.h"

namespace Nodes {

// The item an index input picks, or null when the input is absent or outside the list.
template <class T>
T* itemAt(const std::vector<std::unique_ptr<T>>& list, const values::MaybeValue& index) {
    if (!index.hasValue) return nullptr;
    const int32_t i = index.value.asInt();
    return i >= 0 && size_t(i) < list.size() ? list[size_t(i)].get() : nullptr;
}

// Textures, vertex arrays, frame buffers and render buffers travel as their GL name.
inline uint32_t glNameOf(const values::MaybeValue& v) { return uint32_t(v.value.asInt()); }

template <class T>
T* referenced(const values::MaybeValue& slot) {
    if (!slot.hasValue || slot.value.type != values::Reference) return nullptr;
    return values::Registry::resolve<T>(slot.value.asReference());
}

// A slot pointing at a record that someone else owns (the show).
template <class T>
void refer(values::MaybeValue& slot, T* record) {
    slot = values::Value::ofReference(values::Registry::add(record));
}

// A slot owning a heap object: the object it held before is unregistered, so its handle goes
// stale, and deleted.
template <class T>
T* replaceOwned(values::MaybeValue& slot, std::unique_ptr<T> replacement) {
    if (T* old = referenced<T>(slot)) {
        values::Registry::remove(slot.value.asReference());
        delete old;
    }
    slot = {};
    T* held = replacement.release();
    if (held) refer(slot, held);
    return held;
}

}  // namespace Nodes
