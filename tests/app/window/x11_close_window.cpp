// x11_close_window.cpp — waits until a top-level window with the given title is mapped on the X
// display, then asks it to close the way a window manager does (WM_DELETE_WINDOW).
// With WM_CLASS_NAME, the instance name of the window's WM_CLASS must first be that name, which
// X11 desktops match with the StartupWMClass of a desktop file to tie a window to its menu entry
// and icon.
// Usage: x11_close_window TITLE TIMEOUT_SECONDS [WM_CLASS_NAME]. Exit 0 when the request was sent,
// 1 on timeout, 3 when the window's class has another name.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TopLevel {
    Window id;
    std::string title;
};

std::string WindowTitle(Display* display, Window window) {
    XTextProperty text{};
    std::string title;
    if (XGetWMName(display, window, &text) && text.value) {
        title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
        XFree(text.value);
    }
    return title;
}

std::vector<TopLevel> MappedTopLevels(Display* display) {
    std::vector<TopLevel> found;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found.push_back({children[i], WindowTitle(display, children[i])});
    }
    if (children)
        XFree(children);
    return found;
}

// The instance name of the window's WM_CLASS, empty when it has none.
std::string ClassName(Display* display, Window window) {
    XClassHint hint{};
    std::string name;
    if (XGetClassHint(display, window, &hint)) {
        if (hint.res_name)
            name = hint.res_name;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return name;
}

void RequestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: x11_close_window TITLE TIMEOUT_SECONDS [WM_CLASS_NAME]\n");
        return 2;
    }
    const std::string title = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 2;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    std::vector<TopLevel> seen;
    while (std::chrono::steady_clock::now() < deadline) {
        seen = MappedTopLevels(display);
        for (const TopLevel& window : seen) {
            if (window.title == title) {
                const std::string className = ClassName(display, window.id);
                if (argc == 4 && className != argv[3]) {
                    std::fprintf(stderr, "the window's class is named \"%s\", not \"%s\"\n",
                                 className.c_str(), argv[3]);
                    RequestClose(display, window.id);
                    XCloseDisplay(display);
                    return 3;
                }
                RequestClose(display, window.id);
                XCloseDisplay(display);
                return 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::fprintf(stderr, "no mapped window titled \"%s\"; mapped:", title.c_str());
    for (const TopLevel& window : seen)
        std::fprintf(stderr, " \"%s\"", window.title.c_str());
    std::fprintf(stderr, "\n");
    XCloseDisplay(display);
    return 1;
}
