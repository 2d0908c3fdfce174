#!/usr/bin/env bash
# Takes docs/hexview-python.png: the Python example hexview.py on a made-up flash image (a vector
# table, code, texts and erased bytes), on a private Xvfb display, grabbed by Qt once the window is
# shown. Usage: docs/take_python_screenshot.sh [BUILD_DIR [OUT.png]] (default build/, the image in
# docs/). The build must have the Python module (VORNEX_PYTHON).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-docs/hexview-python.png}")
module=$build/qxbinhex/python/module/qxbinhex.abi3.so
[ -f "$module" ] || { echo "no Python module in $build; build with -DVORNEX_PYTHON=ON" >&2; exit 1; }
python=$(sed -n 's/^Python3_EXECUTABLE:FILEPATH=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" - "$work/flash.bin" <<'PY'
import random, struct, sys
rng = random.Random(8)
reset = 0x08000000 + 0x1C1
image = struct.pack("<8I", 0x20005000, reset, reset - 4, reset - 8, reset - 12, reset - 16,
                    reset - 20, 0)
image += bytes(rng.randrange(256) for _ in range(0x1C0 - len(image)))
image += b"boot loader 1.02\0flash erase error\0checksum mismatch\0"
image += bytes(rng.randrange(256) for _ in range(1200))
image += b"\xff" * (4096 - len(image))
open(sys.argv[1], "wb").write(image)
PY

# In place of the example's event loop: wait until the window is on the screen, grab it, quit.
cat >"$work/grab.py" <<'PY'
import runpy, sys
from PyQt6.QtTest import QTest
from PyQt6.QtWidgets import QApplication

out = sys.argv[1]
sys.argv = sys.argv[2:]

def grab(app):
    window = app.topLevelWidgets()[0]
    QTest.qWaitForWindowExposed(window)
    for _ in range(10):
        app.processEvents()
    geometry = window.frameGeometry()
    shot = window.screen().grabWindow(0, geometry.x(), geometry.y(), geometry.width(),
                                      geometry.height())
    return 0 if shot.save(out) else 1

QApplication.exec = grab
runpy.run_path(sys.argv[0], run_name="__main__")
PY

PYTHONPATH=$(dirname "$module") tests/x11/with_xvfb.sh tests/support/run_python.sh "$python" \
  "$module" "$work/grab.py" "$out" qxbinhex/examples/hexview.py "$work/flash.bin"
echo "wrote $out"
