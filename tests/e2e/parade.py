"""Plays one turn of the real program on a private X server with real pointer events: presses
start, watches the parade until a character stands in slot 0 on its pale cyan ground, tells
which character it is from the generated bitmaps, waits for the board, clicks that character's
cell and checks the white frame one pixel inside the cell's grid lines.

Usage: parade.py <program> <folder of the generated bitmaps>"""

import os
import struct
import subprocess
import sys
import time
import unittest

from xgrab import Grabber
import xsession
from xsession import XSession

PROGRAM = None
BITMAPS = None

START_BUTTON = (505, 193)
SLOT0 = (50, 205, 36, 46)
BOARD = (50, 205, 343, 221)
CELL_WIDTH, CELL_HEIGHT, COLUMNS = 38, 55, 9
PALE_CYAN = (211, 253, 252)
WHITE = (255, 255, 255)
CHARACTERS = 36
FIRST_CHARACTER_BITMAP = 101
BOARD_BITMAP = 201
# One turn of level 0 shows its character for 1.4 s and the board 0.7 s later.
TURN_TIMEOUT = 10.0
# At level 0 the frame shows for the 100 ms between the turn's one click and the board closing; a
# loaded machine can miss that, so the next turns give further chances (from the fourth on, at
# level 1, the frame of the first of two characters stays).
ATTEMPTS = 5


def read_bitmap(path):
    """A 24-bit bottom-up BMP as rows of (r, g, b)."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise RuntimeError(f"{path}: {bits} bits per pixel")
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        source = abs(height) - 1 - y if height > 0 else y
        line = data[offset + source * stride: offset + source * stride + width * 3]
        rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
    return rows


def read_characters(folder):
    """The 36 characters' generated bitmaps, in character order."""
    return [read_bitmap(os.path.join(folder, f"{FIRST_CHARACTER_BITMAP + i}.bmp"))
            for i in range(CHARACTERS)]


def mismatches(a, b):
    return sum(pa != pb for ra, rb in zip(a, b) for pa, pb in zip(ra, rb))


def character_in_slot0(grabber, window, characters):
    """The character shown in slot 0 at 100 %, matched exactly against the 1x bitmaps."""
    shot = grabber.grab(window, *SLOT0)
    if shot is None or shot[0][0] != PALE_CYAN:
        return None
    scores = [mismatches(shot, bitmap) for bitmap in characters]
    best = min(range(CHARACTERS), key=scores.__getitem__)
    return best if scores[best] == 0 else None


def frame_pixels(cell):
    """The pixels of the white frame of `cell`, in board coordinates."""
    left = CELL_WIDTH * (cell % COLUMNS)
    top = CELL_HEIGHT * (cell // COLUMNS)
    right, bottom = left + CELL_WIDTH - 1, top + CELL_HEIGHT - 1
    pixels = set()
    for x in range(left + 1, right + 1):
        pixels.update({(x, top + 1), (x, bottom)})
    for y in range(top + 1, bottom + 1):
        pixels.update({(left + 1, y), (right, y)})
    return pixels


class Parade(unittest.TestCase):
    def setUp(self):
        self.characters = read_characters(BITMAPS)
        self.board = read_bitmap(os.path.join(BITMAPS, f"{BOARD_BITMAP}.bmp"))
        self.assertEqual((len(self.board[0]), len(self.board)), BOARD[2:])

    def poll(self, what, look, timeout=TURN_TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    @staticmethod
    def navy_strip(grabber, window):
        shot = grabber.grab(window, 520, 300, 1, 1)
        return True if shot is not None and shot[0][0] == (0, 0, 128) else None

    def board_shown(self, grabber, window):
        shot = grabber.grab(window, *BOARD)
        return True if shot is not None and mismatches(shot, self.board) == 0 else None

    def test_start_parade_board_and_frame_with_a_real_pointer(self):
        with XSession() as x, Grabber(x.display) as grabber:
            # The program's own messages (a sanitizer's report above all) stay visible.
            program = x.start([PROGRAM], stdout=subprocess.DEVNULL)
            window = x.find_window("Wimbly")
            self.poll("the main window to be drawn", lambda: self.navy_strip(grabber, window))
            x.click(window, *START_BUTTON)

            framed = False
            for attempt in range(ATTEMPTS):
                character = self.poll("a character in slot 0",
                                      lambda: character_in_slot0(grabber, window, self.characters))
                self.poll("the board", lambda: self.board_shown(grabber, window))
                # The board shows character c in cell c.
                cell = character
                print(f"turn {attempt + 1}: character {cell} in slot 0", file=sys.stderr)
                cx = BOARD[0] + CELL_WIDTH * (cell % COLUMNS) + CELL_WIDTH // 2
                cy = BOARD[1] + CELL_HEIGHT * (cell // COLUMNS) + CELL_HEIGHT // 2
                frame = frame_pixels(cell)
                left = CELL_WIDTH * (cell % COLUMNS)
                top = CELL_HEIGHT * (cell // COLUMNS)
                x.click(window, cx, cy)
                deadline = time.monotonic() + 1.0
                while time.monotonic() < deadline and not framed:
                    shot = grabber.grab(window, BOARD[0] + left, BOARD[1] + top,
                                        CELL_WIDTH + 1, CELL_HEIGHT + 1)
                    if shot is None:
                        continue
                    white = {(left + dx, top + dy) for dy, row in enumerate(shot)
                             for dx, colour in enumerate(row) if colour == WHITE}
                    if frame <= white:
                        framed = True
                        # Only the frame turned white: the grid lines around it kept their
                        # colour, and so did the cell's inside next to the frame.
                        for dx in range(CELL_WIDTH + 1):
                            for dy in (0, CELL_HEIGHT):
                                self.assertEqual(shot[dy][dx], self.board[top + dy][left + dx])
                        for dy in range(CELL_HEIGHT + 1):
                            for dx in (0, CELL_WIDTH):
                                self.assertEqual(shot[dy][dx], self.board[top + dy][left + dx])
                        self.assertEqual(shot[2][2], self.board[top + 2][left + 2])
                if framed:
                    break
                print(f"attempt {attempt + 1}: the frame came and went between two looks",
                      file=sys.stderr)
            self.assertTrue(framed, "no white frame appeared on the clicked cell")

            # At level 0 (three turns) the one character found ends the turn: the board closes.
            if attempt < 3:
                self.poll("the board to close",
                          lambda: None if self.board_shown(grabber, window) else True)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    BITMAPS = sys.argv.pop(1)
    unittest.main(verbosity=2)
