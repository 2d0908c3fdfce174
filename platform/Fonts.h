// Fonts.h — font names the program asks for that the system lacks get metric-compatible stand-ins.
#pragma once

#include <thread>

namespace platform {

// Registers substitutes for "MS Sans Serif" (a sans face) and "Terminal" (a monospaced face with
// the DOS glyph repertoire). "Courier New" and "Arial" resolve through fontconfig. Call once after
// the application object exists; further calls do nothing.
void RegisterFontSubstitutes();

// Reads the system's font configuration on a thread of its own, from construction on. The
// toolkit's font database reads it on first use, and a program that lays out text right after
// the application object exists can have that read overlap the object's start-up (the display
// connection, the plugins). Wait() returns once the read is done; destroying the object waits for
// it too.
class TFontConfigPreload {
public:
    TFontConfigPreload();

    void Wait();

private:
    std::jthread Reader; // joined when the object goes
};

} // namespace platform
