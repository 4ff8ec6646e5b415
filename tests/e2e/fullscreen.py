"""Full screen in the real program on a private X server without a window manager: F11 makes
the main window cover the 1280 x 1024 screen with the scene scaled by 1024 / 459 and centred on
navy; one turn is played there with real pointer clicks; F11 again gives back the 551 x 459
window at its place.

Usage: fullscreen.py <program> <folder of the generated bitmaps>"""

import os
import subprocess
import sys
import unittest

import parade
from xgrab import Grabber
import xsession
from xsession import XSession

PROGRAM = None
BITMAPS = None

SCREEN = (1280, 1024)
FACTOR = 1024 / 459
# The scene is round(551 x FACTOR) = 1229 pixels wide: 25 pixels of navy on the left.
LEFT = 25
NAVY = (0, 0, 128)
BOARD_GREEN = (0, 176, 59)
PALE_CYAN = (211, 253, 252)
WHITE = (255, 255, 255)
CHARACTERS = 36
TIMEOUT = 10.0


def on_screen(x, y):
    """A design point of the scene, in the full-screen window."""
    return LEFT + round(x * FACTOR), round(y * FACTOR)


class FullScreen(unittest.TestCase):
    def poll(self, what, look, timeout=TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    @staticmethod
    def pixel(grabber, window, x, y):
        shot = grabber.grab(window, x, y, 1, 1)
        return None if shot is None else shot[0][0]

    def character_in_slot0(self, grabber, window):
        """The character in slot 0, told by its pixel centres against the 1x bitmaps."""
        x0, y0 = on_screen(50, 205)
        shot = grabber.grab(window, x0, y0, round(36 * FACTOR), round(46 * FACTOR))
        if shot is None or shot[2][2] != PALE_CYAN:
            return None

        def distance(bitmap):
            total = 0
            for y in range(0, 46, 3):
                for x in range(0, 36, 3):
                    a = shot[int((y + 0.5) * FACTOR)][int((x + 0.5) * FACTOR)]
                    total += sum(abs(p - q) for p, q in zip(a, bitmap[y][x]))
            return total

        scores = [distance(c) for c in self.characters]
        best = min(range(CHARACTERS), key=scores.__getitem__)
        second = min(s for i, s in enumerate(scores) if i != best)
        return best if scores[best] * 2 < second else None

    def test_full_screen_covers_the_screen_and_plays_a_turn(self):
        self.characters = parade.read_characters(BITMAPS)
        with XSession(*SCREEN) as x, Grabber(x.display) as grabber:
            program = x.start([PROGRAM], stdout=subprocess.DEVNULL)
            window = x.find_window("Wimbly")
            self.poll("the main window to be drawn",
                      lambda: True if self.pixel(grabber, window, 520, 300) == NAVY else None)
            windowed = x.geometry(window)
            x.run(["xdotool", "windowfocus", "--sync", str(window)])
            x.run(["xdotool", "key", "F11"])
            self.poll("the window to cover the screen",
                      lambda: True if x.geometry(window) == (0, 0) + SCREEN else None)

            # Navy on both sides of the scene, the background's green play area inside it.
            self.poll("the scene", lambda: True if self.pixel(
                grabber, window, *on_screen(45, 440)) == BOARD_GREEN and self.pixel(
                grabber, window, 10, 500) == NAVY else None)
            self.assertEqual(self.pixel(grabber, window, SCREEN[0] - 10, 500), NAVY)
            self.assertEqual(self.pixel(grabber, window, *on_screen(520, 320)), NAVY)

            x.click(window, *on_screen(505, 193))
            cell = self.poll("a character in slot 0",
                             lambda: self.character_in_slot0(grabber, window))
            print(f"character {cell} in slot 0", file=sys.stderr)
            left, top = 38 * (cell % 9), 55 * (cell // 9)
            # The board is shown when the slot's spot turns into the board's top-left grid line.
            corner = on_screen(50, 205)
            self.poll("the board", lambda: True if self.pixel(
                grabber, window, *corner) == (0, 0, 0) else None)
            x.click(window, *on_screen(50 + left + 19, 205 + top + 27))
            # The frame runs along the cell's first pixel column inside its grid line.
            fx, fy = on_screen(50 + left + 1.5, 205 + top + 27)
            self.poll("the white frame", lambda: True if self.pixel(
                grabber, window, fx, fy) == WHITE else None, timeout=2.0)

            x.run(["xdotool", "key", "F11"])
            self.poll("the window to come back",
                      lambda: True if x.geometry(window) == windowed else None)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    BITMAPS = sys.argv.pop(1)
    unittest.main(verbosity=2)
