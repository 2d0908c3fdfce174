#!/usr/bin/env python3
"""The program end to end on a private Xvfb display, driven with real input events only.

Opens a random image through File > Open, mirrors it as 2-byte words with the low byte first and
saves it through File > Save, then with the high byte first (saved over the first file, answering
the replace question), then inverts it and saves it again; each saved file is compared byte for
byte with what this script computes from the image itself. A file one byte over 1 MiB must bring
up the "File too large." box and leave the image as it was. An image of odd size is mirrored both
ways. The selection of bytes with the mouse must reach the X11 primary selection, read back by
another client.

A second run starts the program with a file named on its command line and an accessibility bus,
over which the status line is read: File > Compare with a second file that differs in a known set
of bytes must report their number and the first of them, and File > Save then writes the second
file. An Intel HEX file made by srec_cat at 0x8000 is opened, mirrored and saved as S-records,
which srec_cat must read back at the same address.

Usage: e2e_test.py VORNEX MAIN_UI
"""
import os
import random
import signal
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import xml.etree.ElementTree as ElementTree

TIMEOUT = 30.0
TITLE = "VORNEX v1.00 beta"
# File menu items, counted from its top.
MENU_OPEN, MENU_COMPARE, MENU_SAVE = 1, 2, 3
APP_NAME = "Vornex"  # the message boxes' title
CLIENT_HEIGHT = 682


class Failure(Exception):
    pass


STARTED = time.monotonic()


def step(text):
    """Logs a step, so that a failure shows how far the run came."""
    print("%6.2f s  %s" % (time.monotonic() - STARTED, text), flush=True)


def poll(what, check, timeout=TIMEOUT, interval=0.05):
    """Calls check until it returns a true value and returns that; fails after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


# ---- Expectations, computed here from the bytes alone ---------------------------------------------

def mirror_words(data, low_first):
    """16-bit words in reverse order; each keeps its byte order (low first) or has its two bytes
    exchanged (high first). Words are taken from the end downwards at the top of the image and
    from offset 0 upwards at its bottom; images of 2 bytes or fewer stay as they are."""
    b = bytearray(data)
    n = len(b)
    if n <= 2:
        return bytes(b)
    hi, lo = n - 2, 0
    while hi >= lo:
        x, y = b[hi], b[hi + 1]
        # One assignment after the other: when the words overlap (odd sizes) the order counts.
        if low_first:
            b[hi] = b[lo]
            b[hi + 1] = b[lo + 1]
            b[lo] = x
            b[lo + 1] = y
        else:
            b[hi] = b[lo + 1]
            b[hi + 1] = b[lo]
            b[lo] = y
            b[lo + 1] = x
        hi -= 2
        lo += 2
    return bytes(b)


def self_check_expectations():
    # The model itself against word lists built another way, so that a slip in it cannot make
    # the program's result look right.
    data = bytes(random.randrange(256) for _ in range(64))
    words = [data[i:i + 2] for i in range(0, len(data), 2)]
    assert mirror_words(data, True) == b"".join(reversed(words))
    assert mirror_words(data, False) == data[::-1]
    assert mirror_words(b"\x00\x01\x02", True) == b"\x01\x02\x00"
    assert mirror_words(b"\x00\x01\x02", False) == b"\x02\x01\x00"


def invert(data):
    return bytes(v ^ 0xFF for v in data)


# ---- The X server and the program -----------------------------------------------------------------

class Session:
    def __init__(self, vornex, main_ui, work, args=(), accessible=False):
        self.vornex = vornex
        self.main_ui = main_ui
        self.work = work
        self.args = list(args)
        self.accessible = accessible
        self.xvfb = None
        self.app = None
        self.env = None
        self.window = None
        self.origin = (0, 0)
        self.menu_height = 0
        self.bus_pid = None
        self.bus_launcher = None
        self.a11y_address = None

    def start(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten",
             "tcp"], pass_fds=[write_end], stderr=open(os.path.join(self.work, "xvfb.log"), "w"))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            display = pipe.readline().strip()  # Xvfb writes the number once it accepts clients
        if not display:
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb")
        for name in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_STYLE_OVERRIDE"):
            self.env.pop(name, None)
        poll("the X server to answer",
             lambda: self.xvfb.poll() is None and
             self.run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
        if self.accessible:
            self.start_accessibility_bus()
        self.app = subprocess.Popen([self.vornex] + self.args, env=self.env, cwd=self.work,
                                    stdout=open(os.path.join(self.work, "vornex.log"), "w"),
                                    stderr=subprocess.STDOUT)
        self.window = self.wait_window("^" + re.escape(TITLE) + "$")
        geometry = self.geometry(self.window)
        self.origin = (geometry["X"], geometry["Y"])
        self.menu_height = geometry["HEIGHT"] - CLIENT_HEIGHT
        step("main window %s at %d, %d" % (self.window, *self.origin))

    def start_accessibility_bus(self):
        """A private session bus and the accessibility bus beside it, which the program joins as a
        screen reader's programs do."""
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], check=True, capture_output=True, text=True,
                             timeout=TIMEOUT).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"], self.bus_pid = out[0], int(out[1])
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.bus_launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=self.env,
            start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def address():
            out = self.run("gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                           "/org/a11y/bus", "--method", "org.a11y.Bus.GetAddress",
                           check=False).stdout
            found = re.match(r"\('(.*)',\)", out.strip())
            return found.group(1) if found else None
        self.a11y_address = poll("the accessibility bus", address)

    def stop(self):
        # Asked to end first, so that the X server removes its socket and lock file.
        for process in (self.app, self.xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if self.bus_launcher and self.bus_launcher.poll() is None:
            os.killpg(self.bus_launcher.pid, signal.SIGTERM)
            self.bus_launcher.wait(timeout=10)
        if self.bus_pid:
            try:
                os.kill(self.bus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self.app = self.xvfb = self.window = self.bus_launcher = self.bus_pid = None

    # ---- The accessibility tree ------------------------------------------------------------------

    def a11y_call(self, dest, path, method, *args):
        return self.run("gdbus", "call", "--address", self.a11y_address, "--dest", dest,
                        "--object-path", path, "--method", method, *args, check=False).stdout

    def status_text(self):
        """The text of the status line's first panel, as the accessibility tree gives it."""
        root = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
        pending = [root]
        while pending:
            dest, path = pending.pop()
            role = self.a11y_call(dest, path, "org.a11y.atspi.Accessible.GetRoleName")
            children = re.findall(r"\('([^']*)', (?:objectpath )?'([^']*)'\)",
                                  self.a11y_call(dest, path,
                                                 "org.a11y.atspi.Accessible.GetChildren"))
            if "'status bar'" in role and children:
                name = self.a11y_call(*children[0], "org.freedesktop.DBus.Properties.Get",
                                      "org.a11y.atspi.Accessible", "Name")
                found = re.match(r"\(<'(.*)'>,\)", name.strip(), re.S)
                return found.group(1) if found else None
            pending.extend(children)
        return None

    def wait_status(self, expected):
        step("wait for the status line: " + expected)
        try:
            poll("the status line", lambda: self.status_text() == expected)
        except Failure:
            raise Failure("the status line says %r, not %r" % (self.status_text(), expected))

    def alive(self):
        if self.app.poll() is not None:
            raise Failure("the program ended with status %d" % self.app.returncode)

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True,
                              text=True, timeout=TIMEOUT)

    def xdotool(self, *args):
        self.alive()
        return self.run("xdotool", *args).stdout

    def visible_windows(self, name_pattern=None):
        """The program's mapped windows, those with a matching name when a pattern is given (menus
        have no name)."""
        args = ["xdotool", "search", "--onlyvisible", "--pid", str(self.app.pid)]
        if name_pattern:
            return self.run(*args, "--all", "--name", name_pattern, check=False).stdout.split()
        # A search that meets a window being destroyed gives up part way: the main window, which
        # is always there, tells a whole answer.
        def whole():
            found = self.run(*args, check=False).stdout.split()
            return found if self.window in found else None
        return poll("a whole list of the program's windows", whole, interval=0.02)

    def wait_window(self, name_pattern):
        def check():
            self.alive()
            return self.visible_windows(name_pattern)
        return poll("a window named " + name_pattern, check)[0]

    def wait_gone(self, window):
        """Waits until a dialog's window is destroyed, not only hidden: the program does so when the
        dialog's modal loop has returned, so input sent after it reaches the main window."""
        args = ["xdotool", "search", "--pid", str(self.app.pid)]
        def check():
            self.alive()
            found = self.run(*args, check=False).stdout.split()
            return self.window in found and window not in found
        poll("window %s to go" % window, check)

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        return {k: int(v) for k, v in re.findall(r"^(\w+)=(\d+)$", out, re.M) if k != "SCREEN"}

    def focused(self):
        return self.run("xdotool", "getwindowfocus", check=False).stdout.strip()

    def wait_focus(self, window):
        """Waits until a new window of the program has the keyboard focus. With no window manager
        the program gives it focus itself, but a menu closing at the same time may take it back to
        the main window; the focus is then given as a window manager would."""
        try:
            poll("the focus on window " + window, lambda: self.focused() == window, timeout=3)
        except Failure:
            step("focus given to window %s (it was on %s)" % (window, self.focused()))
            self.run("xdotool", "windowfocus", "--sync", window, check=False)
            poll("the focus on window " + window, lambda: self.focused() == window)

    # ---- Input -----------------------------------------------------------------------------------

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdotool("type", "--clearmodifiers", "--delay", "20", text)

    def click_at(self, x, y, button=1):
        # No --sync: it waits for the pointer to move, which it does not when already there. The
        # server handles the move before the click all the same.
        self.xdotool("mousemove", str(x), str(y), "click", str(button))

    def widget_rect(self, name):
        """The rectangle of a widget of the main window on the screen, from the stored layout."""
        root = ElementTree.parse(self.main_ui).getroot()

        def find(element, x, y):
            for child in element.findall("widget"):
                gx, gy = x, y
                rect = child.find("property[@name='geometry']/rect")
                if rect is not None:
                    gx += int(rect.find("x").text)
                    gy += int(rect.find("y").text)
                if child.get("name") == name:
                    return (gx, gy, int(rect.find("width").text), int(rect.find("height").text))
                found = find(child, gx if rect is not None else x, gy if rect is not None else y)
                if found:
                    return found
            return None

        central = root.find("widget/widget[@name='centralwidget']")
        x, y, w, h = find(central, self.origin[0], self.origin[1] + self.menu_height)
        return x, y, w, h

    def click_widget(self, name, fx=0.5, fy=0.5):
        step("click " + name)
        x, y, w, h = self.widget_rect(name)
        self.click_at(x + int(w * fx), y + int(h * fy))

    def file_menu(self, items_down):
        """File > the item items_down places from the top, with the mouse on the menu bar and the
        keys in the menu; returns the dialog it brings up."""
        before = set(self.visible_windows())
        self.click_at(self.origin[0] + 12, self.origin[1] + self.menu_height // 2)
        poll("the File menu", lambda: set(self.visible_windows()) - before, interval=0.02)
        self.key(*(["Down"] * items_down), "Return")
        return self.wait_new_window(before)

    def wait_new_window(self, before, name=None):
        """A window of the program that is not among those before, with the given name or, without
        one, a dialog's: popups (menus, a completion list) have no title or the program's name."""
        def check():
            for window in self.visible_windows():
                if window in before or window == self.window:
                    continue
                title = self.window_name(window)
                if (title == name) if name is not None else title not in ("", APP_NAME):
                    return window
            return None
        found = poll("a new window" + (" named " + name if name else ""), check)
        step("window %s: %s" % (found, self.window_name(found)))
        return found

    def window_name(self, window):
        return self.run("xdotool", "getwindowname", window, check=False).stdout.strip()

    def choose_file(self, dialog, path):
        """Types a path into the file dialog's name box and accepts it."""
        self.wait_focus(dialog)
        self.key("ctrl+a")
        self.type(path)
        self.key("Return")

    def open_file(self, path):
        step("open " + path)
        dialog = self.file_menu(MENU_OPEN)
        self.choose_file(dialog, path)
        self.wait_gone(dialog)

    def save_file(self, path, replace):
        step("save " + path + (" over the file there" if replace else ""))
        dialog = self.file_menu(MENU_SAVE)
        self.choose_file(dialog, path)
        if replace:
            # The question's default answer is No: the focus goes to Yes, and Space presses it.
            # The question has the dialog's title.
            question = self.wait_new_window({self.window, dialog}, self.window_name(dialog))
            self.wait_focus(question)
            self.key("shift+Tab", "space")
            self.wait_gone(question)
        self.wait_gone(dialog)

    def compare_with(self, path):
        step("compare with " + path)
        dialog = self.file_menu(MENU_COMPARE)
        self.choose_file(dialog, path)
        self.wait_gone(dialog)

    def clipboard(self, selection):
        return self.run("xclip", "-o", "-selection", selection, check=False).stdout


def wait_file(path, expected, what):
    step("wait for the saved file: " + what)
    def check():
        try:
            with open(path, "rb") as f:
                return f.read() == expected
        except OSError:
            return False
    try:
        poll(what, check)
    except Failure:
        size = os.path.getsize(path) if os.path.exists(path) else -1
        raise Failure("%s: the saved file (%d bytes) differs from the expected %d bytes"
                      % (what, size, len(expected)))


def scenario(s, work):
    header = bytes(random.choice(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")
                   for _ in range(256))
    image = header + bytes(random.randrange(256) for _ in range(4096 - len(header)))
    source = os.path.join(work, "image.bin")
    with open(source, "wb") as f:
        f.write(image)
    big = os.path.join(work, "big.bin")
    with open(big, "wb") as f:
        f.write(os.urandom(1048577))
    saved = os.path.join(work, "saved.bin")

    s.open_file(source)

    # Bytes selected with the mouse in the upper viewer reach the primary selection as the text
    # Copy gives; the drag stays within the image's printable start.
    # The server is new: nobody owns either selection before the program does.
    if s.clipboard("primary") or s.clipboard("clipboard"):
        raise Failure("a selection is owned before the program selected anything")
    x, y, w, h = s.widget_rect("QXBinHex1")
    s.xdotool("mousemove", str(x + w // 4), str(y + 8), "mousedown", "1", "sleep", "0.1",
              "mousemove", str(x + w // 2), str(y + 24), "sleep", "0.1",
              "mousemove", str(x + w // 2 + 1), str(y + 40), "sleep", "0.1", "mouseup", "1")
    primary = poll("the primary selection", lambda: s.clipboard("primary"))
    if len(primary) < 2 or primary not in header.decode("ascii"):
        raise Failure("the primary selection %r is not a run of the image's start" % primary)
    s.key("ctrl+c")
    copied = poll("the copied text", lambda: s.clipboard("clipboard"))
    if copied != primary:
        raise Failure("Copy gives %r, the primary selection %r" % (copied, primary))

    # Data size "2 байта": the next item of the box, chosen with the arrow key.
    s.click_widget("ComboBox1", 0.3)
    s.key("Down")
    s.click_widget("RadioButton1", 0.1)
    s.click_widget("Button1")
    s.save_file(saved, replace=False)
    low_first = mirror_words(image, low_first=True)
    wait_file(saved, low_first, "2 bytes, low byte first")

    s.click_widget("RadioButton2", 0.1)
    s.click_widget("Button1")
    s.save_file(saved, replace=True)
    high_first = mirror_words(image, low_first=False)
    wait_file(saved, high_first, "2 bytes, high byte first")

    s.click_widget("Button2")
    s.save_file(saved, replace=True)
    inverted = invert(high_first)
    wait_file(saved, inverted, "inverted")

    # The image one byte over the limit is refused with a box; the image stays.
    dialog = s.file_menu(MENU_OPEN)
    s.choose_file(dialog, big)
    # The box has the program's name as its title, as the completion list of the dialog has while
    # the path is typed: the dialog goes first.
    s.wait_gone(dialog)
    box = s.wait_new_window({dialog}, APP_NAME)
    s.wait_focus(box)
    s.key("ctrl+c")  # a message box copies its text
    try:
        poll("the box's text on the clipboard",
             lambda: "File too large." in s.clipboard("clipboard"))
    except Failure:
        raise Failure("the box says %r, not 'File too large.'" % s.clipboard("clipboard"))
    s.key("Return")
    s.wait_gone(box)
    os.remove(saved)
    s.save_file(saved, replace=False)
    wait_file(saved, inverted, "the image kept after the refused file")

    # An odd size (4 k + 3): the words are aligned to the image's end at its top and to its start
    # at its bottom, and the two in the middle overlap by one byte.
    odd = os.path.join(work, "odd.bin")
    odd_image = bytes(random.randrange(256) for _ in range(4099))
    with open(odd, "wb") as f:
        f.write(odd_image)
    s.open_file(odd)
    s.click_widget("Button1")  # high byte first is still chosen
    s.save_file(saved, replace=True)
    wait_file(saved, mirror_words(odd_image, low_first=False), "odd size, high byte first")
    s.click_widget("RadioButton1", 0.1)
    s.click_widget("Button1")
    s.save_file(saved, replace=True)
    wait_file(saved, mirror_words(odd_image, low_first=True), "odd size, low byte first")


def compare_and_records_scenario(vornex, main_ui, work):
    first = os.path.join(work, "first.bin")
    second = os.path.join(work, "second.bin")
    first_image = bytes(random.randrange(256) for _ in range(4096))
    changed = sorted(random.sample(range(0x100, len(first_image)), 12))
    second_image = bytearray(first_image)
    for offset in changed:
        second_image[offset] ^= 1 + random.randrange(255)
    second_image = bytes(second_image) + bytes(random.randrange(256) for _ in range(16))
    for path, data in ((first, first_image), (second, second_image)):
        with open(path, "wb") as f:
            f.write(data)

    s = Session(vornex, main_ui, work, args=[first], accessible=True)
    try:
        start_session(s)
        # Named on the command line, the file is open at start.
        s.wait_status("Текущий файл: " + first)
        s.compare_with(second)
        s.wait_status("Различий: %d (первое: 0x%06X)" % (len(changed) + 16, changed[0]))
        saved = os.path.join(work, "compared.bin")
        s.save_file(saved, replace=False)
        wait_file(saved, second_image, "the second file, shown while comparing")

        # Intel HEX at 0x8000 from srec_cat; mirrored byte by byte (the data size at start) and
        # saved as S-records, which srec_cat reads back at the same address.
        hex_path = os.path.join(work, "rom.hex")
        s.run("srec_cat", first, "-binary", "-offset", "0x8000", "-o", hex_path, "-intel")
        s.open_file(hex_path)
        s.wait_status("Текущий файл: " + hex_path)
        s.click_widget("Button1")
        srec_path = os.path.join(work, "mirrored.s19")
        s.save_file(srec_path, replace=False)
        poll("the saved S-records", lambda: os.path.exists(srec_path))
        back = os.path.join(work, "back.bin")

        def read_back():
            done = s.run("srec_cat", srec_path, "-motorola", "-offset", "-0x8000", "-o", back,
                         "-binary", check=False)
            return done.returncode == 0 and open(back, "rb").read() == first_image[::-1]
        try:
            poll("srec_cat to read the mirrored image back at 0x8000", read_back)
        except Failure:
            raise Failure("srec_cat reads %s as %r" % (srec_path, s.run(
                "srec_info", srec_path, check=False).stdout))
    finally:
        s.stop()


def start_session(session):
    # A server or program that does not come up (another X server taking the display number at the
    # same moment) is started once more, twice at most.
    for attempt in range(3):
        try:
            session.start()
            return
        except Failure as e:
            step("start failed: %s" % e)
            session.stop()
            if attempt == 2:
                raise


def main():
    vornex, main_ui = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    self_check_expectations()
    work = tempfile.mkdtemp(prefix="vornex-e2e-")
    session = Session(vornex, main_ui, work)
    try:
        start_session(session)
        scenario(session, work)
        session.stop()
        compare_and_records_scenario(vornex, main_ui, work)
    except (Failure, subprocess.SubprocessError) as e:
        print("FAILED:", e, file=sys.stderr)
        traceback.print_exc()
        for log in ("vornex.log", "xvfb.log"):
            path = os.path.join(work, log)
            if os.path.exists(path):
                sys.stderr.write("---- %s\n%s" % (log, open(path).read()))
        return 1
    finally:
        session.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("opened, mirrored both ways, inverted and saved; the large file refused; odd size mirrored;"
          " compared; Intel HEX opened, mirrored and saved as S-records")
    return 0


if __name__ == "__main__":
    sys.exit(main())
