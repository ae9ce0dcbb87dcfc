// The box's helpers inside the booted ARM Linux: a gamepad made with uinput, and a clock held
// still.
//
//   box_guest pad FIFO CODE[=KEY]...
//                                makes a gamepad whose buttons are the evdev key codes CODE (in
//                                any base strtol reads: 0x130 is BTN_SOUTH), with an X and a Y
//                                axis and a hat; prints "pad ready" once the kernel has it, then
//                                for each line "N" read from FIFO presses and releases its Nth
//                                button (from 0), for each line "hat DX DY" pushes its hat to
//                                (DX, DY) and lets it go. A KEY makes a key mapper's keyboard
//                                beside the pad, which sends that key code with the button, as a
//                                mapper that does not grab the pad does.
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

// A uinput device of the given name and key codes, with axes where it is a pad; -1 on failure.
int make_device(const char* name, const std::vector<int>& keys, bool pad) {
    int fd = open("/dev/uinput", O_WRONLY | O_NONBLOCK);
    if (fd < 0) return fail("/dev/uinput"), -1;
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0) return fail("UI_SET_EVBIT"), -1;
    for (int key : keys) {
        if (ioctl(fd, UI_SET_KEYBIT, key) < 0) return fail("UI_SET_KEYBIT"), -1;
    }
    // A stick's two axes and a hat: with them and a trigger or gamepad button every reader,
    // SDL's among them, takes the device for a joystick.
    if (pad && ioctl(fd, UI_SET_EVBIT, EV_ABS) < 0) return fail("UI_SET_EVBIT"), -1;
    for (int axis : {ABS_X, ABS_Y, ABS_HAT0X, ABS_HAT0Y}) {
        if (!pad) break;
        if (ioctl(fd, UI_SET_ABSBIT, axis) < 0) return fail("UI_SET_ABSBIT"), -1;
        uinput_abs_setup abs{};
        abs.code = static_cast<unsigned short>(axis);
        bool hat = axis == ABS_HAT0X || axis == ABS_HAT0Y;
        abs.absinfo.minimum = hat ? -1 : -32768;
        abs.absinfo.maximum = hat ? 1 : 32767;
        if (ioctl(fd, UI_ABS_SETUP, &abs) < 0) return fail("UI_ABS_SETUP"), -1;
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x1209; // pid.codes' test vendor: no SDL quirk knows it
    setup.id.product = pad ? 0x0001 : 0x0002;
    setup.id.version = 1;
    std::snprintf(setup.name, sizeof setup.name, "%s", name);
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0) return fail("UI_DEV_SETUP"), -1;
    if (ioctl(fd, UI_DEV_CREATE) < 0) return fail("UI_DEV_CREATE"), -1;
    return fd;
}

// Each button of the pad: its code, and the key a key mapper sends for it (0 for none).
struct PadButton {
    int code;
    int key;
};

int pad(const char* fifo, const std::vector<PadButton>& buttons) {
    std::vector<int> codes, keys;
    for (const PadButton& b : buttons) {
        codes.push_back(b.code);
        if (b.key) keys.push_back(b.key);
    }
    int fd = make_device("Code Breaker box pad", codes, true);
    if (fd < 0) return 1;
    // The key mapper's keyboard, which does not take the pad from anyone (no EVIOCGRAB).
    int keyboard = keys.empty() ? -1 : make_device("Code Breaker box key mapper", keys, false);
    if (!keys.empty() && keyboard < 0) return 1;

    // Read and write, so that the FIFO never reads as ended between two writers.
    int in = open(fifo, O_RDWR);
    if (in < 0) return fail(fifo);
    std::FILE* lines = fdopen(in, "r");
    std::printf("pad ready\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, lines)) {
        // Held for a few of the game's frames, as a finger would, then let go.
        int dx = 0, dy = 0;
        if (std::sscanf(line, "hat %d %d", &dx, &dy) == 2) {
            for (int value : {1, 0}) {
                if (!emit(fd, EV_ABS, ABS_HAT0X, dx * value) ||
                    !emit(fd, EV_ABS, ABS_HAT0Y, dy * value) || !sync_events(fd)) {
                    return fail("write");
                }
                if (value) pause_ms(40);
            }
            continue;
        }
        char* end = nullptr;
        long n = std::strtol(line, &end, 10);
        if (end == line || n < 0 || n >= static_cast<long>(buttons.size())) {
            std::fprintf(stderr, "box_guest: no button %s", line);
            continue;
        }
        const PadButton& b = buttons[static_cast<size_t>(n)];
        for (int value : {1, 0}) {
            if (!emit(fd, EV_KEY, b.code, value) || !sync_events(fd)) return fail("write");
            if (b.key && (!emit(keyboard, EV_KEY, b.key, value) || !sync_events(keyboard))) {
                return fail("write");
            }
            if (value) pause_ms(40);
        }
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
        std::vector<PadButton> buttons;
        for (int i = 3; i < argc; ++i) {
            char* end = nullptr;
            PadButton b{static_cast<int>(std::strtol(argv[i], &end, 0)), 0};
            if (*end == '=') b.key = static_cast<int>(std::strtol(end + 1, nullptr, 0));
            buttons.push_back(b);
        }
        return pad(argv[2], buttons);
    }
    if (argc == 3 && std::strcmp(argv[1], "clock") == 0) {
        return clock_still(std::strtol(argv[2], nullptr, 10));
    }
    std::fprintf(stderr, "usage: box_guest pad FIFO CODE[=KEY]... | box_guest clock SECONDS\n");
    return 2;
}
