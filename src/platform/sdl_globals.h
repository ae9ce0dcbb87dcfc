// SDL-side globals shared by the platform files only.
#pragma once

#include <cstdio>

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform.h"

extern TTF_Font* font;    // null when data/font.ttf could not be opened
extern SDL_Joystick* joy; // null without a joystick; held open so its buttons reach the queue

// A BMP as SDL loads it, or null when it cannot be loaded or its header describes no
// picture that can be drawn safely (no rows, no columns, rows that do not fit the buffer).
SDL_Surface* load_picture(const char* file);

// Writes a start-up message and flushes it; a stream that nobody reads loses it, and never
// ends the process.
void report(std::FILE* to, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Loads the pictures in table order, printing the two reported misses, then keys the
// twenty that are drawn over other pictures.
void load_bitmaps();
// Frees every picture and nulls its global, so that another set can be loaded (the
// benchmark draws the same frames from pictures of another pixel format).
void free_bitmaps();
