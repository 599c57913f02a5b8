// The font built into the player for its own text, so that it needs no font on the machine.
#pragma once
#include <SDL_ttf.h>

namespace overlay {

// The built-in monospaced font at a pixel size (kept open for the life of the process); null when
// SDL_ttf cannot open it.
TTF_Font* builtInFont(int pixelSize);

// A pixel size at which text stays readable in a window this tall: about 36 lines to the window.
int readableFontSize(int windowHeight);

}  // namespace overlay
