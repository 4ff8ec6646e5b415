"""Plays the real program on a private X server as a parent would with a child: a game as Mia
with one life ends on two wrong clicks and the leaderboard opens, and the history exported
from the command line holds that game. A game killed in the middle loses only itself; a damaged
history is moved aside and a new one records; a data folder that cannot be made leaves the game
playing. The program opens no network socket.

Usage: history.py <program> <folder of the generated bitmaps>"""

import csv
import glob
import io
import os
import signal
import subprocess
import sys
import tempfile
import unittest

from parade import (BOARD, CELL_HEIGHT, CELL_WIDTH, CHARACTERS, COLUMNS, BOARD_BITMAP,
                    START_BUTTON, mismatches, read_bitmap)
import parade
from xgrab import Grabber
import xsession
from xsession import XSession

PROGRAM = None
BITMAPS = None
TIMEOUT = 15.0
NAVY = (0, 0, 128)
# Inside the board area, which the children to choose from cover with navy, and its middle.
PICKER_GROUND = (60, 200)
PICKER_MIDDLE = (225, 317)
HEADER = ["child", "started", "seconds", "score", "longest", "turns", "mistakes", "pace",
          "start_length", "lives", "ended"]


def network_sockets(pid):
    """The program's sockets that are TCP, UDP or raw, of either IP version."""
    inodes = set()
    for fd in glob.glob(f"/proc/{pid}/fd/*"):
        try:
            target = os.readlink(fd)
        except OSError:
            continue
        if target.startswith("socket:["):
            inodes.add(target[8:-1])
    found = []
    for table in ("tcp", "tcp6", "udp", "udp6", "raw", "raw6"):
        with open(f"/proc/{pid}/net/{table}") as rows:
            for row in list(rows)[1:]:
                if row.split()[9] in inodes:
                    found.append((table, row.strip()))
    return found


class History(unittest.TestCase):
    def setUp(self):
        self.characters = parade.read_characters(BITMAPS)
        self.board = read_bitmap(os.path.join(BITMAPS, f"{BOARD_BITMAP}.bmp"))
        self.home = tempfile.TemporaryDirectory()
        self.data = os.path.join(self.home.name, "data")
        self.history = os.path.join(self.data, "wimbly", "history.sqlite")

    def tearDown(self):
        self.home.cleanup()

    def poll(self, what, look, timeout=TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    def environment(self, x):
        x.env["HOME"] = self.home.name
        x.env["XDG_CONFIG_HOME"] = os.path.join(self.home.name, "config")
        x.env["XDG_DATA_HOME"] = self.data
        return x.env

    def start(self, x, *arguments):
        self.environment(x)
        program = x.start([PROGRAM, *arguments], stdout=subprocess.DEVNULL)
        return program, x.find_window("Wimbly")

    def board_shown(self, grabber, window):
        shot = grabber.grab(window, *BOARD)
        return True if shot is not None and mismatches(shot, self.board) == 0 else None

    def press_wrong(self, x, grabber, window, pick=False):
        """Starts a game (with `pick`, as the one child shown in the middle of the board area),
        sees its first character, and presses another one on the board."""
        x.click(window, *START_BUTTON)
        if pick:
            self.poll("the children to choose from", lambda: True if grabber.grab(
                window, *PICKER_GROUND, 1, 1) == [[NAVY]] else None)
            x.click(window, *PICKER_MIDDLE)
        shown = self.poll("a character in slot 0",
                          lambda: parade.character_in_slot0(grabber, window, self.characters))
        self.poll("the board", lambda: self.board_shown(grabber, window))
        wrong = (shown + 1) % CHARACTERS
        x.click(window, BOARD[0] + CELL_WIDTH * (wrong % COLUMNS) + CELL_WIDTH // 2,
                BOARD[1] + CELL_HEIGHT * (wrong // COLUMNS) + CELL_HEIGHT // 2)
        return wrong

    def exported(self, x):
        out = subprocess.run([PROGRAM, "--export-history", "-"], env=self.environment(x),
                             capture_output=True, check=True).stdout
        rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
        self.assertEqual(rows[0], HEADER)
        return [dict(zip(HEADER, row)) for row in rows[1:]]

    def test_games_recorded_exported_and_kept_through_faults(self):
        with XSession() as x, Grabber(x.display) as grabber:
            program, window = self.start(x, "--child", "Mia", "--lives", "1")
            wrong = self.press_wrong(x, grabber, window)
            x.click(window, BOARD[0] + CELL_WIDTH * (wrong % COLUMNS) + CELL_WIDTH // 2,
                    BOARD[1] + CELL_HEIGHT * (wrong // COLUMNS) + CELL_HEIGHT // 2)
            leaderboard = x.find_window("排行榜")
            self.assertEqual(network_sockets(program.pid), [])
            x.close_window(leaderboard)
            self.poll("the main window back", lambda: None if x.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^排行榜$"]).stdout else True)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)

            games = self.exported(x)
            self.assertEqual(len(games), 1)
            self.assertEqual((games[0]["child"], games[0]["lives"], games[0]["mistakes"],
                              games[0]["pace"], games[0]["ended"]), ("Mia", "1", "2", "700", "over"))

            # Killed in the middle of a game: that game alone is lost.
            program, window = self.start(x, "--child", "Mia")
            self.press_wrong(x, grabber, window)
            program.send_signal(signal.SIGKILL)
            program.wait(timeout=10)
            self.assertEqual(len(self.exported(x)), 1)

            # A damaged history is moved aside; the next game goes into a new one.
            for leftover in glob.glob(self.history + "*"):
                os.remove(leftover)
            with open(self.history, "wb") as damaged:
                damaged.write(b"not a history at all" * 100)
            program, window = self.start(x)
            # Mia, added by the first run, is shown at Start; she picks herself.
            self.press_wrong(x, grabber, window, pick=True)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)
            aside = glob.glob(self.history + ".damaged-*")
            self.assertEqual(len(aside), 1, os.listdir(os.path.dirname(self.history)))
            with open(aside[0], "rb") as kept:
                self.assertEqual(kept.read(), b"not a history at all" * 100)
            games = self.exported(x)
            self.assertEqual([(g["child"], g["ended"]) for g in games], [("Mia", "closed")])

            # No folder can be made for the history: the game plays on and closes cleanly.
            self.data = os.path.join(self.home.name, "a-file")
            with open(self.data, "w") as blocker:
                blocker.write("in the way")
            program, window = self.start(x, "--child", "Mia")
            self.press_wrong(x, grabber, window)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    BITMAPS = sys.argv.pop(1)
    unittest.main(verbosity=2)
