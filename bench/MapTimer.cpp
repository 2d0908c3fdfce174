// MapTimer.cpp — starts a program and prints the milliseconds from its start to the first
// top-level window mapped on the X display, then ends the program and prints the processor time
// it used (user and system) until then: "WALL_MS CPU_MS". The processor time depends less on what
// else the machine runs.
// Usage: map_timer PROGRAM [ARG...]. Exit 1 when no window is mapped within 60 seconds.
#include "OpenDisplay.h"

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: map_timer PROGRAM [ARG...]\n");
        return 2;
    }
    Display* display = OpenDisplay("map_timer");
    if (!display)
        return 2;
    // Top-level windows are the root's children, so their MapNotify reaches the root's
    // substructure listeners; selecting before the start cannot miss it.
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::fprintf(stderr, "map_timer: cannot start %s\n", argv[1]);
        return 2;
    }

    bool mapped = false;
    const int fd = ConnectionNumber(display);
    while (!mapped && Clock::now() - start < std::chrono::seconds(60)) {
        while (!mapped && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            mapped = event.type == MapNotify && !event.xmap.override_redirect;
        }
        if (mapped)
            break;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval timeout{0, 100000};
        select(fd + 1, &fds, nullptr, nullptr, &timeout);
    }
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;

    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    XCloseDisplay(display);
    if (!mapped) {
        std::fprintf(stderr, "map_timer: %s mapped no window\n", argv[1]);
        return 1;
    }
    const auto milliseconds = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    std::printf("%.2f %.2f\n", elapsed.count(),
                milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime));
    return 0;
}
