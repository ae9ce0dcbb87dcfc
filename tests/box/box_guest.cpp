// The box's helpers inside the booted ARM Linux: a gamepad made with uinput, and a clock held
// still.
//
//   box_guest pad FIFO CODE...   makes a gamepad whose buttons are the evdev key codes CODE (in
//                                any base strtol reads: 0x130 is BTN_SOUTH), and an X and a Y
//                                axis; prints "pad ready" once the kernel has it, then for each
//                                line "N" read from FIFO presses and releases its Nth button (from
//                                0), for each line "hat DX DY" moves its hat to (DX, DY).
//   box_guest clock SECONDS      sets the real-time clock to SECONDS every 10 ms, for ever: a
//                                game that seeds from time() then draws a known code, whenever
//                                it starts. Monotonic clocks, which SDL's ticks and delays use,
//                                go on as ever.
//
// SDL2 numbers a joystick's buttons by their codes, from BTN_JOYSTICK (0x120) up, then the
// codes below it; a pad of the codes 0x120 to 0x12f is numbered 0 to 15 in that order.
// Built statically for the box, whose root is a handheld's and holds no C++ library.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <sched.h>
#include <unistd.h>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "box_guest: %s: %s\n", what, std::strerror(errno));
    return 1;
}

bool emit(int fd, int type, int code, int value) {
    input_event e{};
    e.type = static_cast<unsigned short>(type);
    e.code = static_cast<unsigned short>(code);
    e.value = value;
    return write(fd, &e, sizeof e) == static_cast<ssize_t>(sizeof e);
}

bool sync_events(int fd) {
    return emit(fd, EV_SYN, SYN_REPORT, 0);
}

void pause_ms(long ms) {
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

int pad(const char* fifo, const std::vector<int>& codes) {
    int fd = open("/dev/uinput", O_WRONLY | O_NONBLOCK);
    if (fd < 0) return fail("/dev/uinput");
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_ABS) < 0) {
        return fail("UI_SET_EVBIT");
    }
    for (int code : codes) {
        if (ioctl(fd, UI_SET_KEYBIT, code) < 0) return fail("UI_SET_KEYBIT");
    }
    // A stick's two axes and a hat: with them and a trigger or gamepad button every reader,
    // SDL's among them, takes the device for a joystick.
    for (int axis : {ABS_X, ABS_Y, ABS_HAT0X, ABS_HAT0Y}) {
        if (ioctl(fd, UI_SET_ABSBIT, axis) < 0) return fail("UI_SET_ABSBIT");
        uinput_abs_setup abs{};
        abs.code = static_cast<unsigned short>(axis);
        bool hat = axis == ABS_HAT0X || axis == ABS_HAT0Y;
        abs.absinfo.minimum = hat ? -1 : -32768;
        abs.absinfo.maximum = hat ? 1 : 32767;
        if (ioctl(fd, UI_ABS_SETUP, &abs) < 0) return fail("UI_ABS_SETUP");
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x1209; // pid.codes' test vendor: no SDL quirk knows it
    setup.id.product = 0x0001;
    setup.id.version = 1;
    std::snprintf(setup.name, sizeof setup.name, "Code Breaker box pad");
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0) return fail("UI_DEV_SETUP");
    if (ioctl(fd, UI_DEV_CREATE) < 0) return fail("UI_DEV_CREATE");

    // Read and write, so that the FIFO never reads as ended between two writers.
    int in = open(fifo, O_RDWR);
    if (in < 0) return fail(fifo);
    std::FILE* lines = fdopen(in, "r");
    std::printf("pad ready\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, lines)) {
        int dx = 0, dy = 0;
        if (std::sscanf(line, "hat %d %d", &dx, &dy) == 2) {
            if (!emit(fd, EV_ABS, ABS_HAT0X, dx) || !emit(fd, EV_ABS, ABS_HAT0Y, dy) ||
                !sync_events(fd)) {
                return fail("write");
            }
            continue;
        }
        char* end = nullptr;
        long n = std::strtol(line, &end, 10);
        if (end == line || n < 0 || n >= static_cast<long>(codes.size())) {
            std::fprintf(stderr, "box_guest: no button %s", line);
            continue;
        }
        // Held for a few of the game's frames, as a finger would.
        if (!emit(fd, EV_KEY, codes[n], 1) || !sync_events(fd)) return fail("write");
        pause_ms(40);
        if (!emit(fd, EV_KEY, codes[n], 0) || !sync_events(fd)) return fail("write");
    }
    return 0;
}

int clock_still(long seconds) {
    // Ahead of the game and whatever else runs, so that the second never turns.
    sched_param p{};
    p.sched_priority = 50;
    sched_setscheduler(0, SCHED_FIFO, &p);
    timespec t{seconds, 0};
    for (;;) {
        if (clock_settime(CLOCK_REALTIME, &t) != 0) return fail("clock_settime");
        pause_ms(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "pad") == 0) {
        std::vector<int> codes;
        for (int i = 3; i < argc; ++i)
            codes.push_back(static_cast<int>(std::strtol(argv[i], nullptr, 0)));
        return pad(argv[2], codes);
    }
    if (argc == 3 && std::strcmp(argv[1], "clock") == 0) {
        return clock_still(std::strtol(argv[2], nullptr, 10));
    }
    std::fprintf(stderr, "usage: box_guest pad FIFO CODE... | box_guest clock SECONDS\n");
    return 2;
}
