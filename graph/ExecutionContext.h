// What a frame's graph execution hands to every execute operation.
#pragma once
#include <string>
#include <unordered_map>

class Demo;
struct PatchSet;

namespace Nodes {

class GraphNode;

struct ExecutionContext {
    Demo* demo = nullptr;
    GraphNode* current = nullptr;  // the node whose execute operation is running
    GraphNode* owner = nullptr;    // the "Subgraph" node whose graph is rendering; null for the root graph
    PatchSet* patchSet = nullptr;
    // Registered this frame, by macro name; null for a name registered in an earlier frame only.
    std::unordered_map<std::string, GraphNode*> macros;
    float beat = 0.0f;  // the frame's beat, set by the frame loop
    int depth = 0;      // nested node visits and graph renders now running
    long visits = 0;    // node visits so far this frame
};

}  // namespace Nodes
