// Frees what drawing nodes keep in their state slots (vertex arrays, textures, frame and render
// buffers, read-back buffers, private program copies), for a graph dropped while the player runs on.
#pragma once

namespace Nodes {

class Graph;

// Needs the graph's GL context current; the slots are emptied.
void releaseGraphState(Graph& graph);

}  // namespace Nodes
