#include "show/Demo.h"

void Demo::postLoad() {
    for (auto& program : shaders) program->recompile();
    for (auto& effect : effects) effect->createTargets();
}
