"""bindings_test.py — the Python module qxbinhex drives TQXBinHex through PyQt6: sources, marks,
the address base, the selection and the signals. Run offscreen with the built module on
PYTHONPATH."""

import gc
import os
import tempfile
import unittest

from PyQt6.QtCore import QBuffer, QByteArray, QIODevice, QPoint, Qt
from PyQt6.QtGui import QColor
from PyQt6.QtTest import QTest
from PyQt6.QtWidgets import QApplication

from qxbinhex import TQXBinHex, TQXBinHexMark

SOURCE_SIZE = 4096


def source_byte(offset):
    return (offset * 7 + offset // 256) & 0xFF


def source_bytes(size=SOURCE_SIZE):
    return bytes(source_byte(i) for i in range(size))


def reference_mark_at(marks, pos):
    """The mark drawn at pos: the last added of those that cover it, or None."""
    covering = [m for m in marks if m["start"] <= pos < m["start"] + m["length"]]
    return covering[-1] if covering else None


class Recorder:
    """Counts the emissions of one signal."""

    def __init__(self, signal):
        self.count = 0
        signal.connect(self.record)

    def record(self, *args):
        self.count += 1


class BindingsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app = QApplication.instance() or QApplication([])
        cls.folder = tempfile.TemporaryDirectory()
        cls.path = os.path.join(cls.folder.name, "source.bin")
        with open(cls.path, "wb") as f:
            f.write(source_bytes())

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def setUp(self):
        self.viewer = TQXBinHex()
        self.viewer.setMode(TQXBinHex.TQXBinHexMode.vbmodeHex)
        self.viewer.resize(640, 400)
        self.assertTrue(self.viewer.Open(self.path, redraw=True))
        self.assertGreater(self.viewer.BufMaxOffset(), 0)

    def tearDown(self):
        self.viewer.deleteLater()
        self.viewer = None

    def test_open_file_gives_its_size_and_bytes(self):
        self.assertEqual(self.viewer.FileSourceType(), TQXBinHex.TFileSourceType.vfSrcFile)
        self.assertEqual(self.viewer.FileSize(), SOURCE_SIZE)
        for pos in (0, 1, 255, 256, SOURCE_SIZE - 1):
            with self.subTest(pos=pos):
                self.assertEqual(self.viewer.GetHex(pos), f"{source_byte(pos):02X}")

    def test_stream_source_stays_alive_while_the_control_reads_it(self):
        # Larger than the page buffer, so that moving to its end reads the stream again.
        data = source_bytes(4 * self.viewer.BufMaxOffset() + 64)
        stream = QBuffer()
        stream.setData(QByteArray(data))
        self.assertTrue(stream.open(QIODevice.OpenModeFlag.ReadOnly))
        self.assertTrue(self.viewer.OpenStream(stream, redraw=True))
        # The control holds the only reference left.
        del stream
        gc.collect()
        self.assertEqual(self.viewer.FileSourceType(), TQXBinHex.TFileSourceType.vfSrcStream)
        self.viewer.SetViewPos(len(data) - 1, redraw=True)
        self.assertEqual(self.viewer.GetHex(len(data) - 1), f"{data[-1]:02X}")

    def test_marks_are_found_as_the_last_added_covering_mark(self):
        marks = [
            dict(start=0, length=16, back="lightsteelblue", text="", hint="header"),
            dict(start=8, length=24, back="yellow", text="darkred", hint="overlap"),
            dict(start=100, length=1, back="green", text="", hint=""),
            dict(start=SOURCE_SIZE - 4, length=64, back="pink", text="black", hint="tail"),
        ]
        for m in marks:
            m["id"] = self.viewer.AddMark(m["start"], m["length"], QColor(m["back"]),
                                          QColor(m["text"]) if m["text"] else QColor(),
                                          m["hint"])
            self.assertGreater(m["id"], 0)
        self.assertEqual(self.viewer.MarkCount(), len(marks))
        self.assertEqual(len({m["id"] for m in marks}), len(marks))

        for pos in range(0, SOURCE_SIZE + 64, 3):
            with self.subTest(pos=pos):
                expected = reference_mark_at(marks, pos)
                got = self.viewer.MarkAt(pos)
                self.assertIsInstance(got, TQXBinHexMark)
                if expected is None:
                    self.assertEqual(got.Id, 0)
                    continue
                self.assertEqual((got.Id, got.Start, got.Length, got.Hint),
                                 (expected["id"], expected["start"], expected["length"],
                                  expected["hint"]))
                self.assertEqual(got.BackColor, QColor(expected["back"]))
                self.assertEqual(got.TextColor.isValid(), bool(expected["text"]))

        for start, length in ((0, 1), (10, 100), (16, 84), (101, SOURCE_SIZE), (0, 2**40)):
            with self.subTest(start=start, length=length):
                expected = [m["id"] for m in marks
                            if m["start"] < start + length and start < m["start"] + m["length"]]
                self.assertEqual([m.Id for m in self.viewer.Marks(start, length)], expected)

    def test_marks_changed_follows_every_change_of_the_marks(self):
        first = self.viewer.AddMark(0, 4, QColor("red"))
        self.viewer.AddMark(10, 4, QColor("blue"))
        steps = [
            ("add", lambda: self.viewer.AddMark(20, 2, QColor("green")), 1),
            ("remove a mark", lambda: self.viewer.RemoveMark(first), 1),
            ("remove it again", lambda: self.viewer.RemoveMark(first), 0),
            ("clear", self.viewer.ClearMarks, 1),
            ("clear nothing", self.viewer.ClearMarks, 0),
        ]
        for name, step, emissions in steps:
            with self.subTest(step=name):
                recorder = Recorder(self.viewer.marksChanged)
                step()
                self.assertEqual(recorder.count, emissions)

    def test_address_base_takes_64_bit_values_by_method_and_property(self):
        for value in (0x08000000, 2**40 + 5, 2**62):
            with self.subTest(value=value):
                self.viewer.setAddressBase(value)
                self.assertEqual(self.viewer.AddressBase(), value)
                self.viewer.setAddressBase(1)
                self.assertTrue(self.viewer.setProperty("AddressBase", value))
                self.assertEqual(self.viewer.property("AddressBase"), value)

    def test_set_selection_emits_selection_changed_when_asked(self):
        for fire_event, emissions in ((True, 1), (False, 0)):
            with self.subTest(fire_event=fire_event):
                self.viewer.SelectNone(fireEvent=False)
                recorder = Recorder(self.viewer.selectionChanged)
                self.viewer.SetSelection(32, 10, scroll=True, fireEvent=fire_event, redraw=True)
                self.assertEqual((self.viewer.MarkStart(), self.viewer.MarkLength()), (32, 10))
                self.assertEqual(recorder.count, emissions)
                self.assertEqual(bytes(self.viewer.SelText(0)), source_bytes()[32:42])

    def test_mouse_drag_selects_the_bytes_under_it(self):
        self.viewer.show()
        self.assertTrue(QTest.qWaitForWindowExposed(self.viewer))
        recorder = Recorder(self.viewer.selectionChanged)
        viewport = self.viewer.viewport()
        line_height = self.viewer.LineHeight()
        start = QPoint(viewport.width() // 3, line_height // 2)
        end = QPoint(viewport.width() // 2, line_height * 5 // 2)
        QTest.mousePress(viewport, Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier, start)
        QTest.mouseMove(viewport, end)
        QTest.mouseRelease(viewport, Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier, end)
        line = self.viewer.LineSize()
        selection_end = self.viewer.MarkStart() + self.viewer.MarkLength()
        self.assertLess(self.viewer.MarkStart(), line)
        self.assertTrue(2 * line <= selection_end <= 3 * line, selection_end)
        self.assertGreater(recorder.count, 0)


if __name__ == "__main__":
    unittest.main()
