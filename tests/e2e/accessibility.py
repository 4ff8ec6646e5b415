"""Reads the real program as a screen reader does, over AT-SPI, on a private session bus, its own
accessibility bus and a private X server: the buttons and the score by name, the help text, then a
game started with Enter, the keyboard ring walked over all 36 cells of the board while the
focused cell is read after every step (36 different animals, each the cell the list holds at that
place), and a press of the ringed cell, which changes the score or the lives left. Once in
Chinese, once with --lang en.

Skipped (status 77) where the D-Bus daemon, the accessibility bus launcher or Python's GObject
bindings are missing.

Usage: accessibility.py <program>"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

try:
    from gi.repository import Gio, GLib
except ImportError:
    Gio = GLib = None

# The GObject bindings are a Debian package of the system's Python; a Python of another origin
# first on the PATH lacks them.
SYSTEM_PYTHON = "/usr/bin/python3"
if (Gio is None and os.access(SYSTEM_PYTHON, os.X_OK)
        and os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON)):
    os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])

import skippable
import xsession
from xsession import XSession

PROGRAM = None
TIMEOUT = 15.0
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
ROOT = "/org/a11y/atspi/accessible/root"
ACCESSIBLE = "org.a11y.atspi.Accessible"
# AT-SPI state bits (atspi-constants.h).
FOCUSED = 12
SHOWING = 25
COLUMNS = 9
ROWS = 4
SIDE_PANEL = (520, 100)


def connect(address):
    return Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
        | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)


class Node:
    """One accessible object of the program, read afresh on every call: nothing is cached."""

    def __init__(self, bus, name, path):
        self.bus, self.name, self.path = bus, name, path

    def call(self, method, reply, interface=ACCESSIBLE, arguments=None):
        return self.bus.call_sync(self.name, self.path, interface, method, arguments,
                                  GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 5000,
                                  None).unpack()

    def label(self):
        return self.call("Get", "(v)", "org.freedesktop.DBus.Properties",
                         GLib.Variant("(ss)", (ACCESSIBLE, "Name")))[0]

    def role(self):
        return self.call("GetRoleName", "(s)")[0]

    def has(self, state):
        return bool(self.call("GetState", "(au)")[0][state // 32] & (1 << state % 32))

    def children(self):
        return [Node(self.bus, name, path) for name, path in self.call("GetChildren", "(a(so))")[0]]

    def tree(self):
        found = [self]
        for child in self.children():
            found += child.tree()
        return found


class ScreenReader:
    """A private session bus with the accessibility bus on it, as a desktop session has."""

    def __init__(self):
        self.folder = tempfile.TemporaryDirectory(prefix="wimbly-atspi-")
        os.chmod(self.folder.name, 0o700)
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = self.daemon.stdout.readline().strip()
        # The launcher puts the accessibility bus's socket into the runtime folder.
        self.env = {"DBUS_SESSION_BUS_ADDRESS": address, "XDG_RUNTIME_DIR": self.folder.name,
                    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
        self.launcher = None
        self.session = connect(address)
        self.bus = None

    def start(self, display):
        self.launcher = subprocess.Popen(
            [LAUNCHER, "--launch-immediately"], env=dict(os.environ, DISPLAY=display, **self.env),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def connect(self, test):
        def address():
            try:
                return self.session.call_sync(
                    "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                    GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 2000, None).unpack()[0]
            except GLib.Error:
                return None
        self.bus = connect(xsession.poll(test, "the accessibility bus", address, TIMEOUT))
        # As a screen reader does: ask programs for focus events, then listen to them. A program
        # reads the events asked for when it starts.
        self.focus_events = []
        self.bus.signal_subscribe(
            None, "org.a11y.atspi.Event.Focus", "Focus", None, None,
            Gio.DBusSignalFlags.NONE,
            lambda _bus, _sender, path, *_: self.focus_events.append(path))
        self.bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                           "org.a11y.atspi.Registry", "RegisterEvent",
                           GLib.Variant("(sass)", ("focus:", [], "")), None,
                           Gio.DBusCallFlags.NONE, 5000, None)

    def last_focus_event(self):
        """The object of the newest focus event received so far, or None."""
        while GLib.MainContext.default().iteration(False):
            pass
        return self.focus_events[-1] if self.focus_events else None

    def application(self, name):
        registry = Node(self.bus, "org.a11y.atspi.Registry", ROOT)
        try:
            for app in registry.children():
                if app.label() == name:
                    return app
        except GLib.Error:
            pass
        return None

    def stop(self):
        for process in (self.launcher, self.daemon):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.daemon.stdout.close()
        self.folder.cleanup()


class Accessibility(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        missing = [tool for tool in ("dbus-daemon", LAUNCHER, "Xvfb", "xdotool")
                   if not shutil.which(tool)]
        if Gio is None:
            missing.append("python3-gi")
        if missing:
            raise unittest.SkipTest("missing: " + ", ".join(missing))

    def poll(self, what, look, timeout=TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    def keys(self, x, *names):
        for name in names:
            x.run(["xdotool", "key", "--delay", "30", name])

    def find(self, app, role, name=None, showing=None):
        """The first node of `role` (and `name`) in the program's windows, or None."""
        try:
            for node in app.tree():
                if node.role() == role and (name is None or node.label() == name) and (
                        showing is None or node.has(SHOWING) == showing):
                    return node
        except GLib.Error:
            # A window closing under the walk.
            return None
        return None

    def focused_cell(self, board):
        focused = [cell for cell in board.children() if cell.has(FOCUSED)]
        return focused[0].label() if len(focused) == 1 else None

    def play(self, arguments, words):
        with XSession() as x:
            reader = ScreenReader()
            try:
                reader.start(x.display)
                reader.connect(self)
                x.env.update(reader.env)
                program = x.start([PROGRAM, *arguments], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
                window = x.find_window("Wimbly")
                app = self.poll("the program on the accessibility bus",
                                lambda: reader.application("wimbly"))
                self.check_game(x, reader, window, app, words)
                x.close_window(window)
                self.assertEqual(program.wait(timeout=10), 0)
            finally:
                reader.stop()

    def check_game(self, x, reader, window, app, words):
        self.poll("the start button", lambda: self.find(app, "push button", words["start"]))
        self.assertIsNotNone(self.find(app, "push button", words["help"]))
        self.poll("the score", lambda: self.find(app, "label", words["score"] % 0))
        # No game yet: the board is hidden, as a screen reader sees it.
        board = self.poll("the board", lambda: self.find(app, "list", showing=False))
        self.assertEqual(board.label(), words["board"])

        x.run(["xdotool", "windowfocus", "--sync", str(window)])
        self.keys(x, "F1")
        self.poll("the help text", lambda: True if any(
            node.label().startswith(words["help text"]) for node in app.tree()
            if node.role() == "label") else None)
        x.close_window(x.find_window(words["help"]))
        self.poll("the help window to close", lambda: None if x.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{words['help']}$"]).stdout
            else True)

        x.run(["xdotool", "windowfocus", "--sync", str(window)])
        self.keys(x, "Return")
        board = self.poll("the board to open", lambda: self.find(app, "list", showing=True))
        self.assertIsNotNone(self.find(app, "label", words["lives"] % 3, showing=True))
        cells = board.children()
        self.assertEqual(len(cells), COLUMNS * ROWS)
        listed = [cell.label() for cell in cells]
        self.assertIsNone(self.focused_cell(board))

        # The first arrow shows the ring on the top-left cell; then row by row, there and back.
        self.keys(x, "Down")
        self.poll_focus(reader, board, cells, listed, 0)
        path = [0]
        for row in range(ROWS):
            step = 1 if row % 2 == 0 else -1
            for _ in range(COLUMNS - 1):
                path.append(path[-1] + step)
                self.keys(x, "Right" if step > 0 else "Left")
                self.poll_focus(reader, board, cells, listed, path[-1])
            if row < ROWS - 1:
                path.append(path[-1] + COLUMNS)
                self.keys(x, "Down")
                self.poll_focus(reader, board, cells, listed, path[-1])
        self.assertEqual(sorted(path), list(range(COLUMNS * ROWS)))
        spoken = [listed[cell] for cell in path]
        self.assertEqual(len(set(spoken)), COLUMNS * ROWS, spoken)
        self.assertTrue(all(spoken), spoken)
        self.assertEqual(listed[0], words["first animal"])
        self.assertEqual(listed[-1], words["last animal"])

        # A press on the ringed cell is right (the score grows) or wrong (a life goes).
        self.keys(x, "space")
        self.poll("the score or the lives to change", lambda: True if (
            self.find(app, "label", words["score"] % 100)
            or self.find(app, "label", words["lives"] % 2)) else None)

    def poll_focus(self, reader, board, cells, listed, cell):
        """Waits for the ring on `cell`: the cell focused, and a focus event for it, which is
        what makes a screen reader speak."""
        self.poll(f"the focus on cell {cell} ({listed[cell]})",
                  lambda: True if self.focused_cell(board) == listed[cell] else None)
        self.poll(f"a focus event for cell {cell} ({listed[cell]})",
                  lambda: True if reader.last_focus_event() == cells[cell].path else None)

    def test_chinese(self):
        self.play([], {"start": "开始", "help": "帮助", "score": "得分 %d", "lives": "生命 %d",
                       "board": "动物", "help text": "游戏目的", "first animal": "青蛙",
                       "last animal": "蜘蛛"})

    def test_english(self):
        self.play(["--lang", "en"], {"start": "Start", "help": "Help", "score": "Score %d",
                                     "lives": "Lives %d", "board": "Animals",
                                     "help text": "Aim of the game", "first animal": "frog",
                                     "last animal": "spider"})


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    skippable.main()
