// The player's CPU pixel layout: 32-bit SDL surfaces whose bytes are R, G, B, A in memory, so
// their pixels upload to GL as GL_RGBA / GL_UNSIGNED_BYTE without conversion.
#pragma once
#include <SDL.h>

// Zero-filled (transparent black); null when SDL refuses the size.
inline SDL_Surface* createRgbaSurface(int width, int height) {
    return SDL_CreateRGBSurface(0, width, height, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
}
