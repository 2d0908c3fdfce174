// RepaintProbe.cpp — runs a command (the keys sent to a window) and reports, in milliseconds from
// its start, when the window's last page was first shown: the window is read back from the X
// server as fast as it can be until the command has ended and no image not seen before has come
// for a quiet time. A blinking cursor alternates between images already seen; the images of the
// final quiet time are the last page, and the earliest of their first showings is the time.
// Usage: repaint_probe WINDOW QUIET_MS COMMAND [ARG...]; prints "<ms> <images seen>".
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The hash of the window's pixels; 0 when it cannot be read.
size_t WindowHash(Display* display, Window window, unsigned width, unsigned height) {
    XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const size_t hash = std::hash<std::string_view>{}(std::string_view(
        image->data, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height)));
    XDestroyImage(image);
    return hash;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: repaint_probe WINDOW QUIET_MS COMMAND [ARG...]\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const auto quiet = std::chrono::milliseconds(std::atoi(argv[2]));
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(IgnoreErrors);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return 1;
    const auto width = static_cast<unsigned>(attributes.width);
    const auto height = static_cast<unsigned>(attributes.height);

    std::unordered_map<size_t, Clock::time_point> firstSeen;
    std::unordered_map<size_t, Clock::time_point> lastSeen;
    const Clock::time_point start = Clock::now();
    firstSeen[WindowHash(display, window, width, height)] = start;
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    Clock::time_point lastNew = start;
    Clock::time_point ended{};
    bool running = true;
    for (;;) {
        const size_t hash = WindowHash(display, window, width, height);
        const Clock::time_point now = Clock::now();
        if (firstSeen.emplace(hash, now).second)
            lastNew = now;
        lastSeen[hash] = now;
        if (running && waitpid(child, nullptr, WNOHANG) == child) {
            running = false;
            ended = now;
        }
        if (!running && now - std::max(lastNew, ended) > quiet)
            break;
        if (now - start > std::chrono::seconds(60))
            break;
    }
    const Clock::time_point quietFrom = Clock::now() - quiet;
    Clock::time_point shown = lastNew;
    for (const auto& [hash, seen] : lastSeen)
        if (seen >= quietFrom)
            shown = std::min(shown, firstSeen[hash]);
    const int changes = static_cast<int>(firstSeen.size()) - 1;
    const double ms = std::chrono::duration<double, std::milli>(shown - start).count();
    std::printf("%.1f %d\n", ms, changes);
    XCloseDisplay(display);
    return 0;
}
