// The reference of the node types a graph can use and of the script math library, as Markdown:
// names, pins, defaults and signatures come from the tables the player runs from, the meanings
// from this tool's own words beside them. `demopack nodes` prints it; docs/nodes.md is a copy.
#pragma once
#include <string>

namespace demopack {

// Throws std::logic_error when a built-in type or a native has no words here, or words for pins
// it does not have, so the reference cannot fall behind the code.
std::string nodeReference();

}  // namespace demopack
