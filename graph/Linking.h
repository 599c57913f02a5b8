// The passes that turn a show's shader programs, value events, scenes, scripts and patches into
// node types, run after the collections are read and before the graphs.
#pragma once
#include <memory>
#include <vector>

#include "graph/NodeType.h"

class Event;
class Scene;
class Script;
class ShaderPatch;
class ShaderProgram;

namespace Nodes {

void linkShaderPrograms(const std::vector<std::unique_ptr<ShaderProgram>>& programs, NodeCatalogue& catalogue);
void linkEvents(const std::vector<std::unique_ptr<Event>>& events, NodeCatalogue& catalogue);
void linkScenes(const std::vector<std::unique_ptr<Scene>>& scenes, NodeCatalogue& catalogue);
void linkScripts(const std::vector<std::unique_ptr<Script>>& scripts, NodeCatalogue& catalogue);
void linkPatches(const std::vector<std::unique_ptr<ShaderPatch>>& patches, NodeCatalogue& catalogue);

}  // namespace Nodes
