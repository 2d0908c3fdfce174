// Fonts_fontconfig.cpp — the system's font configuration read ahead of the toolkit's font database.
#include "Fonts.h"

#include <fontconfig/fontconfig.h>

namespace platform {

// FcInit loads the configuration files and the font caches into the library's current
// configuration, which the font database then finds loaded instead of loading it itself.
TFontConfigPreload::TFontConfigPreload() : Reader([] { FcInit(); }) {}

void TFontConfigPreload::Wait() {
    if (Reader.joinable())
        Reader.join();
}

} // namespace platform
