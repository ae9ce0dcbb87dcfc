// Entry point: start-up, then the screens until the program ends.
#include "platform/platform.h"
#include "screens/flow.h"

int main(int, char**) {
    start_up(true);
    return run_screens();
}
