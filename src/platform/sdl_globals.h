// SDL-side globals shared by the platform files only.
#pragma once

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include "platform.h"

extern TTF_Font* font;    // null when data/font.ttf could not be opened
extern SDL_Joystick* joy; // null without a joystick; held open so its buttons reach the queue

// Loads the pictures in table order, printing the two reported misses, then keys the
// twenty that are drawn over other pictures.
void load_bitmaps();
