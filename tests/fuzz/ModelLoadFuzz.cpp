// libFuzzer entry for the model load as it runs on untrusted GLB bytes: parse (nesting guard,
// checked image loader), the load-time checks of primitives and nodes, the animation set-up and
// posing. Nothing here needs GL. Run with -close_fd_mask=1: the loader talks on stdout.
#include <cstddef>
#include <cstdint>

#include "content/ImageLimits.h"
#include "scene/Animation.h"
#include "scene/Model.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Large images are refused the same way at any limit; a small one keeps each run quick.
    content::maxTextureEdge = 1024;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Model model;
    model.name = "fuzz.glb";
    model.buffer = ByteBuffer(data, size);
    model.parse();
    model.check();
    Animation::setUp(model);
    for (int32_t index : {0, 1, 3})
        for (float phase : {0.0f, 0.3f, 0.99f}) Animation::pose(model, index, phase);
    return 0;
}
