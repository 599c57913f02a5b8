#include <GL/glew.h>

#include "show/Demo.h"

void Demo::postLoad() {
    for (auto& program : shaders) program->recompile();
    for (auto& effect : effects) effect->createTargets();
}

// What this render is for is what it makes on the way (the drivers' code for each program and
// state, the shared shadow map, capture textures), not its pixels, which the first frame clears:
// one pixel of each draw and clear is enough for that.
void Demo::renderEffectsOnce() {
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (auto& effect : effects) effect->render({}, false);
    glDisable(GL_SCISSOR_TEST);
}
