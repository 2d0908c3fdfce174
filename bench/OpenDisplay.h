// OpenDisplay.h — the connection to the X server of the programs that watch another program's
// windows appear (the start-up timer here, the first-frame test in tests/x11).
#pragma once

#include <X11/Xlib.h>
#include <cstdio>
#include <unistd.h>

// The display DISPLAY names, or nullptr after a message on stderr that starts with program. A
// server just started may refuse the first connections for a moment: it is tried 20 times, a
// tenth of a second apart.
inline Display* OpenDisplay(const char* program) {
    Display* display = nullptr;
    for (int attempt = 0; attempt < 20 && !display; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (!display)
            usleep(100000);
    }
    if (!display)
        std::fprintf(stderr, "%s: no X display\n", program);
    return display;
}
