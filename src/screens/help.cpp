// The help screen: one picture until any press, then back to whoever opened it.
#include "flow.h"
#include "../platform/platform.h"

void Help() {
    drawSprite(bmp::help, screen, 0, 0, 0, 0, 320, 240);
    present();
    WaitForKey(); // the press that closes help, and all queued with it, are used up here
}
