#include "player/FrameClock.h"

#include "frame/Runtime.h"

int onSystemEvent(void*, SDL_Event* event) {
    if (event->type == SDL_APP_WILLENTERBACKGROUND) quitRequested = true;
    return 1;
}
