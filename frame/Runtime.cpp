#include "frame/Runtime.h"

RenderSize renderSize;
float currentBeat = 0.0f;
Nodes::Graph* rootGraph = nullptr;
std::atomic<bool> quitRequested{false};
bool contentFromExecutable = false;
int32_t windowPixelWidth = 0;
int32_t windowPixelHeight = 0;
uint32_t defaultWhiteTexture = 0;
