// The game's start-up up to its first presented frame, as a process of its own: built from the
// game's own code and linked with exactly its libraries, it prints the monotonic clock in
// nanoseconds once the title menu's first frame is presented, and ends there.
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"
#include "screens/screens.h"

int main() {
    start_up(false); // as the game does, less the exit handler that hands over to the menu
    draw_title();
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    std::printf("%lld\n", t.tv_sec * 1000000000LL + t.tv_nsec);
    std::fflush(stdout);
    _exit(0);
}
