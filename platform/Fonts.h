// Fonts.h — font names the program asks for that the system lacks get metric-compatible stand-ins.
#pragma once

namespace platform {

// Registers substitutes for "MS Sans Serif" (a sans face) and "Terminal" (a monospaced face with
// the DOS glyph repertoire). "Courier New" and "Arial" resolve through fontconfig. Call once after
// the application object exists; further calls do nothing.
void RegisterFontSubstitutes();

} // namespace platform
