// The help screen: one picture until any press, then back to whoever opened it.
#include "screens.h"
#include "../platform/platform.h"

void draw_help() {
    drawSprite(bmp::help, screen, 0, 0, 0, 0, 320, 240);
    present();
}

bool Help() {
    draw_help();
    return WaitForKey(); // the press that closes help, and all queued with it, are used up here
}
