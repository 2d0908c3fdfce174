#!/usr/bin/python3
"""hexview.py — a window with one TQXBinHex showing the file named on the command line as a hex
dump, its first 16 bytes marked, the offsets counted from a flash base address."""

import sys

from PyQt6.QtCore import QFileInfo
from PyQt6.QtGui import QColor
from PyQt6.QtWidgets import QApplication

from qxbinhex import TQXBinHex

FLASH_BASE = 0x08000000
HEADER_SIZE = 16


def main():
    app = QApplication(sys.argv)
    args = app.arguments()
    if len(args) != 2:
        print("usage: hexview.py FILE", file=sys.stderr)
        return 2

    viewer = TQXBinHex()
    viewer.setMode(TQXBinHex.TQXBinHexMode.vbmodeHex)
    viewer.setAddressBase(FLASH_BASE)
    viewer.setWindowTitle(f"{QFileInfo(args[1]).fileName()} — hexview.py")
    viewer.resize(760, 480)
    # Open shows its own message box when the file cannot be read.
    if not viewer.Open(args[1], redraw=True):
        return 1
    viewer.AddMark(0, HEADER_SIZE, QColor("lightsteelblue"),
                   hint=f"header, {HEADER_SIZE} bytes at 0x{FLASH_BASE:08X}")
    viewer.show()
    return app.exec()


if __name__ == "__main__":
    sys.exit(main())
