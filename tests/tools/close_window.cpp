// Asks an X window to close as a window manager's close button does.
//
//   close_window WINDOW_ID
//
// A window manager closes a window that takes part in WM_DELETE_WINDOW (listed in its
// WM_PROTOCOLS) by sending it a WM_PROTOCOLS client message naming WM_DELETE_WINDOW; a window
// that does not take part it would close by killing its client instead. This sends that very
// message to the window on $DISPLAY, with no window manager needed. Exit status 0 when it was
// sent, 2 for a bad argument or no display, 3 when the window does not list WM_DELETE_WINDOW.
#include <cstdio>
#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long id = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    if (argc != 2 || !*argv[1] || *end || id == 0) {
        std::fprintf(stderr, "usage: close_window WINDOW_ID\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "close_window: cannot open the display\n");
        return 2;
    }
    const Window w = static_cast<Window>(id);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);

    Atom* listed = nullptr;
    int count = 0;
    bool takes_part = false;
    if (XGetWMProtocols(d, w, &listed, &count)) {
        for (int i = 0; i < count; ++i)
            takes_part = takes_part || listed[i] == delete_window;
        XFree(listed);
    }
    if (!takes_part) {
        std::fprintf(stderr, "close_window: window 0x%lx does not list WM_DELETE_WINDOW\n", id);
        XCloseDisplay(d);
        return 3;
    }

    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(delete_window);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
