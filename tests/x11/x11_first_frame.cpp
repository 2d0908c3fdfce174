// x11_first_frame.cpp — starts a program and checks that the first frame its main window shows is
// the finished window: the window's contents as first drawn after it was mapped and exposed must
// equal its contents once it has settled, except for a blinking caret (a difference no wider than
// MaxCaretWidth pixels and no taller than MaxCaretHeight).
// Usage: x11_first_frame SETTLE_MS PROGRAM [ARG...]. The first frame is the first grab of the
// mapped window that differs from what the screen showed there before; the settled one is taken
// SETTLE_MS milliseconds later. With FIRST_FRAME_DUMP naming a folder, both are written there as
// first.ppm and settled.ppm. Exit 0 when they match, 1 when they differ, 2 on a setup failure.
#include "OpenDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto MapTimeout = std::chrono::seconds(60);
constexpr auto PaintTimeout = std::chrono::seconds(30);
constexpr auto PollInterval = std::chrono::microseconds(500);
constexpr int MaxCaretWidth = 2;
constexpr int MaxCaretHeight = 32;

struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using Image = std::unique_ptr<XImage, ImageDeleter>;

// The pixels of a drawable's rectangle as 0xRRGGBB values, row by row.
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned long> Values;
    bool operator==(const Pixels& other) const = default;
};

Pixels Grab(Display* display, Drawable drawable, int x, int y, int width, int height) {
    Image image(
        XGetImage(display, drawable, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap));
    Pixels pixels{width, height, {}};
    if (!image)
        return pixels;
    pixels.Values.reserve(size_t(width) * size_t(height));
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.Values.push_back(XGetPixel(image.get(), column, row) & 0xFFFFFF);
    return pixels;
}

void WritePpm(const std::string& path, const Pixels& pixels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", pixels.Width, pixels.Height);
    for (unsigned long value : pixels.Values) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(value >> 16),
                                      static_cast<unsigned char>(value >> 8),
                                      static_cast<unsigned char>(value)};
        std::fwrite(rgb, 1, 3, file);
    }
    std::fclose(file);
}

struct Box {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;
    bool Empty() const { return Right < Left; }
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
};

// The smallest box holding every pixel in which the two grabs differ.
Box Difference(const Pixels& a, const Pixels& b) {
    Box box{a.Width, a.Height, -1, -1};
    for (int row = 0; row < a.Height; ++row)
        for (int column = 0; column < a.Width; ++column) {
            const size_t i = size_t(row) * size_t(a.Width) + size_t(column);
            if (a.Values[i] == b.Values[i])
                continue;
            box.Left = std::min(box.Left, column);
            box.Top = std::min(box.Top, row);
            box.Right = std::max(box.Right, column);
            box.Bottom = std::max(box.Bottom, row);
        }
    return box;
}

// Waits for the next event until the deadline; false when none came.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (!XPending(display)) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(PollInterval);
    }
    XNextEvent(display, &event);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: x11_first_frame SETTLE_MS PROGRAM [ARG...]\n");
        return 2;
    }
    const auto settle = std::chrono::milliseconds(std::atoi(argv[1]));
    Display* display = OpenDisplay("x11_first_frame");
    if (!display)
        return 2;
    const Window root = DefaultRootWindow(display);
    // Top-level windows are the root's children: their creation and mapping reach the root's
    // substructure listeners, selected before the program starts so that nothing is missed.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    pid_t child = 0;
    if (posix_spawnp(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "x11_first_frame: cannot start %s\n", argv[2]);
        return 2;
    }
    const auto finish = [&](int code) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        XCloseDisplay(display);
        return code;
    };

    // What the screen shows where each top-level window will appear, grabbed when the window is
    // created, long before the program maps it: an unpainted mapped window still shows this.
    struct Created {
        Window Id;
        int Width;
        int Height;
        Pixels Before;
    };
    std::vector<Created> created;
    const Created* mapped = nullptr;
    XEvent event;
    const auto mapDeadline = Clock::now() + MapTimeout;
    while (!mapped) {
        if (!NextEvent(display, event, mapDeadline)) {
            std::fprintf(stderr, "x11_first_frame: %s mapped no window\n", argv[2]);
            return finish(2);
        }
        if (event.type == CreateNotify && !event.xcreatewindow.override_redirect) {
            const XCreateWindowEvent& c = event.xcreatewindow;
            created.push_back(
                {c.window, c.width, c.height, Grab(display, root, c.x, c.y, c.width, c.height)});
        } else if (event.type == ConfigureNotify) {
            // Placed or sized again before it is mapped: what will be underneath then.
            const XConfigureEvent& c = event.xconfigure;
            for (Created& w : created)
                if (w.Id == c.window) {
                    w = {c.window, c.width, c.height,
                         Grab(display, root, c.x, c.y, c.width, c.height)};
                }
        } else if (event.type == MapNotify && !event.xmap.override_redirect) {
            for (const Created& c : created)
                if (c.Id == event.xmap.window)
                    mapped = &c;
        }
    }

    // The window as first drawn: the first grab that no longer shows the screen underneath.
    const int width = mapped->Width;
    const int height = mapped->Height;
    Pixels first;
    const auto paintDeadline = Clock::now() + PaintTimeout;
    for (;;) {
        first = Grab(display, mapped->Id, 0, 0, width, height);
        if (!(first == mapped->Before))
            break;
        if (Clock::now() > paintDeadline) {
            std::fprintf(stderr, "x11_first_frame: the %dx%d window 0x%lx was never drawn\n", width,
                         height, mapped->Id);
            return finish(2);
        }
        std::this_thread::sleep_for(PollInterval);
    }

    std::this_thread::sleep_for(settle);
    const Pixels settled = Grab(display, mapped->Id, 0, 0, width, height);
    if (const char* dump = std::getenv("FIRST_FRAME_DUMP")) {
        WritePpm(std::string(dump) + "/first.ppm", first);
        WritePpm(std::string(dump) + "/settled.ppm", settled);
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, mapped->Id, &attributes);
    if (attributes.width != width || attributes.height != height) {
        std::fprintf(stderr, "x11_first_frame: the window changed its size after it was mapped\n");
        return finish(1);
    }
    const Box box = Difference(first, settled);
    if (!box.Empty() && (box.Width() > MaxCaretWidth || box.Height() > MaxCaretHeight)) {
        std::fprintf(stderr,
                     "x11_first_frame: the first frame differs from the settled window in "
                     "%dx%d pixels at (%d, %d)\n",
                     box.Width(), box.Height(), box.Left, box.Top);
        return finish(1);
    }
    std::printf("the first frame of the %dx%d window is the settled window%s\n", width, height,
                box.Empty() ? "" : " but for a caret");
    return finish(0);
}
