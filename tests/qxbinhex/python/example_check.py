"""example_check.py — runs the example hexview.py on a file and, in place of its event loop, checks
the window it built: shown, the file open, its header marked with a tool tip and the offsets
counted from the example's base address. Exits with the example's status.
Usage: example_check.py EXAMPLE FILE"""

import os
import runpy
import sys

from PyQt6.QtWidgets import QApplication

import qxbinhex


def check_window(example, path):
    def run(app):
        app.processEvents()
        viewers = [w for w in app.topLevelWidgets()
                   if isinstance(w, qxbinhex.TQXBinHex) and w.isVisible()]
        if len(viewers) != 1:
            print(f"expected one visible viewer, found {len(viewers)}", file=sys.stderr)
            return 1
        viewer = viewers[0]
        mark = viewer.MarkAt(0)
        failures = [
            ("file size", viewer.FileSize(), os.path.getsize(path)),
            ("address base", viewer.AddressBase(), example["FLASH_BASE"]),
            ("marks", viewer.MarkCount(), 1),
            ("mark start", mark.Start, 0),
            ("mark length", mark.Length, example["HEADER_SIZE"]),
            ("mark has a tool tip", bool(mark.Hint), True),
        ]
        failures = [f for f in failures if f[1] != f[2]]
        for name, got, expected in failures:
            print(f"{name}: {got!r}, expected {expected!r}", file=sys.stderr)
        return 1 if failures else 0
    return run


def main():
    example_path, path = sys.argv[1:3]
    # Under a name of its own the example defines its constants and main() without running.
    example = runpy.run_path(example_path, run_name="hexview")
    QApplication.exec = check_window(example, path)
    sys.argv = [example_path, path]
    return example["main"]()


if __name__ == "__main__":
    sys.exit(main())
