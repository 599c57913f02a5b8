// The node types built into the player, registered before any content is read.
#pragma once
#include <vector>

#include "graph/NodeType.h"

namespace Nodes {

// In catalogue order: graphs saved by the authoring tool expect "Time" first.
std::vector<NodeType> builtinTypes();

}  // namespace Nodes
