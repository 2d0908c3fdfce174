// TextFixture.h — page sizing for the text-mode tests.
#pragma once

#include "DrawFixture.h"

// Resizes the viewer until its page is width pixels wide and 200 high, whatever scroll bars come
// and go with the new size.
inline void SetPageWidth(DrawFixture& f, int width) {
    for (int attempt = 0; attempt < 4 && (f.Page().width() != width || f.Page().height() != 200);
         ++attempt) {
        f.viewer.resize(f.viewer.width() + width - f.Page().width(),
                        f.viewer.height() + 200 - f.Page().height());
        f.viewer.Redraw();
    }
}
