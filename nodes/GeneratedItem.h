// The content item a generated node stands for, found by its type's name the first time and kept
// in state slot 0 as a registry handle. A stale type finds nothing and stays empty.
#pragma once
#include <string>
#include <string_view>

#include "show/Demo.h"
#include "content/Registry.h"
#include "graph/ExecutionContext.h"
#include "graph/Graph.h"
#include "graph/NodeType.h"

namespace Nodes {

inline bool namesItem(std::string_view typeName, std::string_view itemName, std::string_view suffix) {
    return typeName.size() == itemName.size() + suffix.size() && typeName.starts_with(itemName) &&
           typeName.ends_with(suffix);
}

template <class T>
T* itemOf(ExecutionContext& context, ValueList& state, const Demo::List<T>& items, std::string_view suffix) {
    values::MaybeValue& slot = state[0];
    if (!slot.hasValue) {
        const std::string& typeName = context.current->def->name;
        for (const auto& item : items)
            if (namesItem(typeName, item->name, suffix)) {
                slot = values::Value::ofReference(values::Registry::add(item.get()));
                break;
            }
    }
    return slot.hasValue ? values::Registry::resolve<T>(slot.value.asReference()) : nullptr;
}

}  // namespace Nodes
