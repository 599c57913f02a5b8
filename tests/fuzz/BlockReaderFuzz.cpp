// libFuzzer entry: any byte string must either load as a show or be rejected with ContentError,
// and a show that loads must run its root graph for a few frames without harm. Only the node
// types without GL work execute here; the others only pass the flow on.
#include <cstddef>
#include <cstdint>

#include "content/ContentError.h"
#include "show/Demo.h"
#include "nodes/Execution.h"
#include "shaders/ShaderPatch.h"

namespace {

void runFrames(Demo& demo) {
    Nodes::Graph* root = demo.rootGraph();
    if (!root) return;
    for (float beat : {0.0f, 1.5f, 64.0f}) {
        PatchSet patches;
        Nodes::ExecutionContext context;
        context.patchSet = &patches;
        context.beat = beat;
        Nodes::renderGraph(*root, &demo, nullptr, context);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        Demo demo;
        content::BinaryReader in(data, size);
        try {
            demo.readBinary(in);
            runFrames(demo);
        } catch (const content::ContentError&) {
        }
    }
    // Linking passes append node types for every record; start each input from the built-ins.
    Nodes::catalogue() = Nodes::NodeCatalogue();
    return 0;
}
