// The catalogue's contents: the built-in node types and the execute operations of the types that
// a show's linking passes make. The graph model declares the catalogue; filling it belongs to
// graph execution, which stands above the show.
#include "graph/NodeType.h"
#include "nodes/BuiltinTypes.h"
#include "nodes/GeneratedNodes.h"

namespace Nodes {

NodeCatalogue::NodeCatalogue() {
    for (NodeType& type : builtinTypes()) append(std::move(type));
    generated.event = runEventNode;
    generated.patch = runPatchNode;
    generated.script = runScriptNode;
}

NodeCatalogue& catalogue() {
    static NodeCatalogue theCatalogue;
    return theCatalogue;
}

}  // namespace Nodes
