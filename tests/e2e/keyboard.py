"""Plays the real program on a private X server as a new player would, with the keyboard only:
Enter starts a game, the arrow keys bring the gold ring onto the character of the parade, Enter
presses it and the board closes. Then Ctrl+M turns the sound off and the grown-ups' menu on the
navy panel, driven by the arrow keys, switches to English; both are remembered in the settings
file, so the next start opens the help window (F1) as "Help". A command-line language wins over
the remembered one for that run and changes nothing in the file.

Usage: keyboard.py <program> <folder of the generated bitmaps>"""

import configparser
import os
import subprocess
import sys
import tempfile
import unittest

from parade import (BOARD, CELL_HEIGHT, CELL_WIDTH, COLUMNS, BOARD_BITMAP, mismatches,
                    read_bitmap)
import parade
from xgrab import Grabber
import xsession
from xsession import XSession

PROGRAM = None
BITMAPS = None
TIMEOUT = 10.0
GOLD = (255, 200, 0)
NAVY = (0, 0, 128)
SIDE_PANEL = (520, 100)


class Keyboard(unittest.TestCase):
    def setUp(self):
        self.characters = parade.read_characters(BITMAPS)
        self.board = read_bitmap(os.path.join(BITMAPS, f"{BOARD_BITMAP}.bmp"))
        self.home = tempfile.TemporaryDirectory()
        self.config = os.path.join(self.home.name, "config")
        self.settings = os.path.join(self.config, "wimbly", "wimbly.ini")

    def tearDown(self):
        self.home.cleanup()

    def poll(self, what, look, timeout=TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    def start(self, x, *arguments):
        x.env["XDG_CONFIG_HOME"] = self.config
        x.env["XDG_DATA_HOME"] = os.path.join(self.home.name, "data")
        program = x.start([PROGRAM, *arguments], stdout=subprocess.DEVNULL)
        window = x.find_window("Wimbly")
        return program, window

    def focus(self, x, window):
        # Without a window manager nobody gives the window the keyboard; a player's click would.
        x.run(["xdotool", "windowfocus", "--sync", str(window)])

    def keys(self, x, *names):
        for name in names:
            x.run(["xdotool", "key", "--delay", "30", name])

    @staticmethod
    def visible_windows(x):
        found = x.run(["xdotool", "search", "--onlyvisible", "--class", "wimbly"])
        return set(found.stdout.split())

    def remembered(self):
        parser = configparser.ConfigParser(interpolation=None)
        parser.read(self.settings, encoding="utf-8")
        return {f"{section}/{key}": value for section in parser.sections()
                for key, value in parser[section].items()}

    def board_shown(self, grabber, window):
        shot = grabber.grab(window, *BOARD)
        return True if shot is not None and mismatches(shot, self.board) == 0 else None

    def ring_on(self, grabber, window, cell):
        """True once the gold ring stands inside `cell`: its left side, three pixels wide."""
        left = BOARD[0] + CELL_WIDTH * (cell % COLUMNS) + 2
        top = BOARD[1] + CELL_HEIGHT * (cell // COLUMNS) + 10
        shot = grabber.grab(window, left, top, 3, 1)
        return True if shot is not None and all(c == GOLD for c in shot[0]) else None

    def help_by_f1(self, x, grabber, title, *arguments):
        """Starts the program, opens help with F1, expects it titled `title`, closes both."""
        program, window = self.start(x, *arguments)
        self.poll("the main window", lambda: True if grabber.grab(
            window, *SIDE_PANEL, 1, 1) == [[NAVY]] else None)
        self.focus(x, window)
        self.keys(x, "F1")
        x.close_window(x.find_window(title))
        self.poll("the help window to close", lambda: None if x.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"]).stdout else True)
        x.close_window(window)
        self.assertEqual(program.wait(timeout=10), 0)

    def test_a_turn_by_keyboard_then_mute_and_english_remembered(self):
        with XSession() as x, Grabber(x.display) as grabber:
            program, window = self.start(x)
            self.poll("the main window", lambda: True if grabber.grab(
                window, *SIDE_PANEL, 1, 1) == [[NAVY]] else None)
            self.focus(x, window)
            self.keys(x, "Return")
            cell = self.poll("a character in slot 0",
                             lambda: parade.character_in_slot0(grabber, window, self.characters))
            self.poll("the board", lambda: self.board_shown(grabber, window))
            # The first arrow shows the ring on the top-left cell; then walk to the character.
            self.keys(x, "Down")
            self.poll("the ring on the first cell", lambda: self.ring_on(grabber, window, 0))
            self.keys(x, *["Right"] * (cell % COLUMNS), *["Down"] * (cell // COLUMNS))
            self.poll(f"the ring on cell {cell}", lambda: self.ring_on(grabber, window, cell))
            self.keys(x, "space")
            # Found: the one-character turn ends and the board closes.
            self.poll("the board to close",
                      lambda: None if self.board_shown(grabber, window) else True)

            self.keys(x, "ctrl+m")
            self.poll("sound off remembered",
                      lambda: True if self.remembered().get("sound/on") == "false" else None)

            shown = self.visible_windows(x)
            x.click(window, *SIDE_PANEL, button=3)
            self.poll("the menu", lambda: True if len(self.visible_windows(x)) > len(shown)
                      else None)
            # Zoom in, zoom out, 100 %, full screen, sound, the names said, language: into the
            # languages, then the second, English.
            self.keys(x, *["Down"] * 7, "Right", "Down", "Return")
            self.poll("English remembered",
                      lambda: True if self.remembered().get("General/language") == "en" else None)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)

            # The next start speaks English and stays muted.
            self.help_by_f1(x, grabber, "Help")

            # A language given on the command line wins for that run only.
            before = self.remembered()
            self.help_by_f1(x, grabber, "帮助", "--lang", "zh")
            self.assertEqual(self.remembered(), before)
            self.assertEqual(before.get("sound/on"), "false")


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    BITMAPS = sys.argv.pop(1)
    parade.BITMAPS = BITMAPS
    unittest.main(verbosity=2)
