// Process-wide state of the running player, owned by the frame loop and read by drawing code:
// the render size, the frame's beat, the root graph and the quit flag.
#pragma once
#include <atomic>
#include <cstdint>

namespace Nodes {
class Graph;
}

struct RenderSize {
    int32_t windowWidth = 1920;
    int32_t windowHeight = 1080;
    int32_t width = 1920;   // render width
    int32_t height = 1080;  // render height
};

extern RenderSize renderSize;
extern float currentBeat;
extern Nodes::Graph* rootGraph;
extern std::atomic<bool> quitRequested;
extern bool contentFromExecutable;
extern int32_t windowPixelWidth;
extern int32_t windowPixelHeight;
extern uint32_t defaultWhiteTexture;
